#include "brindle/host/DocumentLock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle::host {
namespace {

using Clock = std::chrono::steady_clock;

// Whether the open file `fd` is the file at `path` now, and not one the
// holder before removed (or one replaced since).
bool IsStillAtPath(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) != 0 || ::lstat(path.c_str(), &named) != 0) return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

enum class Try { Taken, TimedOut, Failed };

// Takes the flock of `fd`, polling until `deadline`; the pause between
// tries grows from 2 ms to 50 ms, so a short wait ends soon after the
// holder lets go and a long one costs little.
Try TakeFlock(int fd, Clock::time_point deadline, const std::function<void()>& waiting,
              bool& toldWaiting) {
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return Try::Taken;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return Try::Failed;
        const auto now = Clock::now();
        if (now >= deadline) return Try::TimedOut;
        if (!toldWaiting) {
            toldWaiting = true;
            if (waiting) waiting();
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

}  // namespace

std::string LockFileFor(const std::string& document) {
    const std::size_t slash = document.rfind('/');
    if (slash == std::string::npos) return "." + document + ".lock";
    return document.substr(0, slash + 1) + "." + document.substr(slash + 1) + ".lock";
}

DocumentLock::Outcome DocumentLock::Acquire(const std::string& document,
                                            std::chrono::milliseconds wait,
                                            const std::function<void()>& waiting,
                                            std::string& error) {
    Release();
    std::string lockFile = LockFileFor(document);
    const auto deadline = Clock::now() + wait;
    bool toldWaiting = false;
    for (;;) {
        // Never through a link: the lock file is ours to create and remove.
        const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EINTR) continue;
            error = document + ": cannot create its lock file " + lockFile + ": " +
                    std::strerror(errno);
            return Outcome::Failed;
        }
        const Try taken = TakeFlock(fd, deadline, waiting, toldWaiting);
        if (taken == Try::Taken && IsStillAtPath(fd, lockFile)) {
            // Moved, not copied: once the file is held nothing may fail
            // before the lock knows which file to remove.
            fd_ = fd;
            lockFile_ = std::move(lockFile);
            return Outcome::Held;
        }
        const int code = errno;
        ::close(fd);
        if (taken == Try::TimedOut) return Outcome::TimedOut;
        if (taken == Try::Failed) {
            error = document + ": cannot lock " + lockFile + ": " + std::strerror(code);
            return Outcome::Failed;
        }
        // The file was removed or replaced while we waited: lock the one
        // at the path now.
    }
}

void DocumentLock::Release() {
    if (fd_ < 0) return;
    // Removed while still held, so no other process can lock this file and
    // take it for the lock after we let go.
    ::unlink(lockFile_.c_str());
    ::close(fd_);
    fd_ = -1;
    lockFile_.clear();
}

}  // namespace brindle::host
