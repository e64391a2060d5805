#include "brindle/host/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle::host {
namespace {

bool WriteWhole(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Failure(const std::string& path, const char* what, int code) {
    return path + ": " + what + ": " + std::strerror(code);
}

// Makes a finished rename durable; a folder that cannot be opened or synced
// (some file systems refuse) leaves the rename done all the same.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         unsigned mode) {
    // The temporary file's name is unique to this process and this call, so
    // concurrent writers never share one.
    // A name left by a killed writer of the same process id is skipped.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    static_cast<mode_t>(mode));
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = Failure(path, "cannot create a temporary file beside it", errno);
        return false;
    }
    bool ok = WriteWhole(fd, bytes) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = Failure(path, "cannot write", code);
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        code = errno;
        ::unlink(temporary.c_str());
        error = Failure(path, "cannot replace", code);
        return false;
    }
    SyncFolderOf(path);
    return true;
}

}  // namespace brindle::host
