// The host's text writer. A plain file is written to a temporary file in its
// own folder (one without a name where the file system allows it, so that a
// killed process leaves nothing behind), and renamed over the file once the
// last byte is written.
#include "brindle/sdk/TextFileWriter.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "brindle/sdk/TextCodec.h"

namespace TextFile {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names once its links are followed (it need not exist).
std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0) return path;
        const std::string next(target, static_cast<std::size_t>(n));
        path = next.front() == '/' ? next : FolderOf(path) + "/" + next;
    }
    return path;
}

// A name for a temporary file beside `name` in `folder`, unique to this
// process and call.
std::string TemporaryName(const std::string& folder, const std::string& name) {
    static std::atomic<unsigned> counter{0};
    return folder + "/." + name + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(++counter);
}

}  // namespace

Writer::~Writer() { Close(); }

bool Writer::Open(const std::wstring& path) {
    Close();
    target_.clear();
    temporary_.clear();
    unnamed_ = inPlace_ = regularTarget_ = failed_ = false;
    error_ = 0;
    const std::string nativePath = TextCodec::WideToPath(path);
    // A NUL would cut the path short and create some other file.
    if (nativePath.empty() || nativePath.find('\0') != std::string::npos) {
        error_ = ENOENT;
        return false;
    }
    target_ = FollowLinks(nativePath);
    struct stat status {};
    const bool exists = ::stat(target_.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) {
        error_ = EISDIR;
        return false;
    }
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or a FIFO takes the bytes as they come.
        inPlace_ = true;
        fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    } else if (exists && ::access(target_.c_str(), W_OK) != 0) {
        error_ = errno;
        return false;
    } else if (!OpenTemporary(FolderOf(target_), NameOf(target_), exists,
                              exists ? status.st_mode & 07777 : 0666)) {
        if (exists && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            // The folder takes no new file, the file itself may be written.
            inPlace_ = true;
            fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        }
    }
    if (fd_ < 0) {
        error_ = errno != 0 ? errno : EIO;
        return false;
    }
    if (exists && !inPlace_) static_cast<void>(::fchown(fd_, status.st_uid, status.st_gid));
    regularTarget_ = !exists || S_ISREG(status.st_mode);
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    return true;
}

// An unnamed file in `folder` where the file system has them, else a named
// one; an existing file's permissions are given to it.
bool Writer::OpenTemporary(const std::string& folder, const std::string& name, bool exists,
                           unsigned mode) {
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode));
    unnamed_ = fd_ >= 0;
    for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        temporary_ = TemporaryName(folder, name);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     static_cast<mode_t>(mode));
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        temporary_.clear();
        return false;
    }
    if (exists) static_cast<void>(::fchmod(fd_, static_cast<mode_t>(mode)));
    return true;
}

void Writer::Fail(int error) {
    if (!failed_) error_ = error != 0 ? error : EIO;
    failed_ = true;
}

void Writer::WriteBytes(const char* data, std::size_t size) {
    while (size > 0 && !failed_) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail(n == 0 ? EIO : errno);
            return;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void Writer::Flush() {
    if (fd_ < 0) Fail(EBADF);
    if (!buffer_.empty() && !failed_) WriteBytes(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void Writer::WriteThrough(std::string_view bytes) {
    Flush();
    if (bytes.size() < kBufferBytes) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    } else if (!failed_) {
        WriteBytes(bytes.data(), bytes.size());
    }
}

// Gives the written file the target's name.
bool Writer::PutInPlace() {
    if (unnamed_) {
        // An unnamed file gets a name first; a rename then replaces the
        // target in one step.
        const std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary_ = TemporaryName(FolderOf(target_), NameOf(target_));
            if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, temporary_.c_str(),
                         AT_SYMLINK_FOLLOW) == 0) {
                break;
            }
            const int error = errno;
            temporary_.clear();
            if (error != EEXIST) {
                Fail(error);
                return false;
            }
        }
    }
    if (temporary_.empty() || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    temporary_.clear();
    return true;
}

bool Writer::Close() {
    if (fd_ < 0) return !failed_;
    Flush();
    bool placed = true;
    if (!failed_ && !inPlace_) placed = PutInPlace();
    if (::close(fd_) != 0) Fail(errno);
    fd_ = -1;
    if (!placed || failed_) {
        if (!temporary_.empty()) ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    return true;
}

void Writer::Discard() {
    buffer_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    // A plain file written in place is no longer whole.
    if (inPlace_ && regularTarget_ && !target_.empty()) ::unlink(target_.c_str());
    inPlace_ = false;
}

}  // namespace TextFile
