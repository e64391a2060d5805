// The standard text writer. A plain file is written to a temporary file in its
// own folder (one without a name where the file system allows it, so that a
// killed process leaves nothing behind) and renamed over the file once the
// last byte is written. Names are made relative to the folder, so a long
// folder path or a long file name is no obstacle, and the temporary name is
// short. A named temporary file that a killed writer left is removed by the
// next writer in its folder.
#include "tovfileio/text/TextWriter.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include <exception>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tovfileio/text/TextCodec.h"
#include "StreamWaits.h"

namespace tovfileio {
namespace {

constexpr char kTemporaryPrefix[] = ".tovtmp-";

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name for a temporary file, unique to this process and call.
std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    return kTemporaryPrefix + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// The process a temporary name was made by, or 0 for any other name.
pid_t MakerOf(const char* name) {
    const std::string text(name);
    if (text.rfind(kTemporaryPrefix, 0) != 0) return 0;
    return static_cast<pid_t>(std::strtol(text.c_str() + sizeof kTemporaryPrefix - 1, nullptr, 10));
}

// Whether `folder` was looked through for leftovers already by this
// process. A folder is known by its device, inode and birth time, as the
// inode of a folder removed may be given to a new one.
bool LookedThrough(int folder) {
    struct statx status {};
    if (::statx(folder, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &status) != 0) return false;
    const auto key = std::make_tuple(status.stx_dev_major, status.stx_dev_minor, status.stx_ino,
                                     status.stx_btime.tv_sec, status.stx_btime.tv_nsec);
    // Never destroyed: a writer may run while the program exits (a store
    // that saves from its destructor), after statics made later are gone.
    static auto& mutex = *new std::mutex;
    static auto& seen = *new std::set<std::remove_const_t<decltype(key)>>;
    std::lock_guard<std::mutex> lock(mutex);
    return !seen.insert(key).second;
}

// Removes the temporary files that writers killed before they finished
// left in `folder`: every time for a writer that makes named temporary
// files (a kill leaves them behind), once a process for one whose files
// get a name only for the moment before the rename.
void RemoveLeftovers(int folder, bool named) {
    if (!named && LookedThrough(folder)) return;
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* entries = ::fdopendir(listing);
    if (entries == nullptr) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        const pid_t maker = MakerOf(entry->d_name);
        if (maker > 0 && maker != ::getpid() && ::kill(maker, 0) != 0 && errno == ESRCH) {
            ::unlinkat(folder, entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

// Whether the existing file `name` in `folder` may be replaced: the user
// may write it, and it is not write-protected (no write permission at all),
// which stays even for a user who may write anything.
bool Writable(int folder, const std::string& name, const struct stat& status) {
    if (::faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0) return false;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        errno = EACCES;
        return false;
    }
    return true;
}

}  // namespace

TextWriter::~TextWriter() { Discard(); }

bool TextWriter::Open(const std::wstring& path) { return Start(path, false); }

bool TextWriter::OpenInPlace(const std::wstring& path) { return Start(path, true); }

bool TextWriter::Start(const std::wstring& path, bool inPlace) {
    Discard();
    given_ = WideToPath(path);
    temporary_.clear();
    unnamed_ = inPlace_ = regularTarget_ = failed_ = false;
    log_ = inPlace;
    unwinding_ = std::uncaught_exceptions();
    error_ = 0;
    // A NUL would cut the path short and create some other file.
    if (given_.empty() || given_.find('\0') != std::string::npos) {
        error_ = ENOENT;
        return false;
    }
    if (int loop = 0; !FollowLinks(given_, target_, loop)) {
        error_ = loop;
        return false;
    }
    name_ = NameOf(target_);
    struct stat status {};
    const bool exists = ::stat(target_.c_str(), &status) == 0;
    if (name_.empty() || (exists && S_ISDIR(status.st_mode))) {
        error_ = EISDIR;
        return false;
    }
    regularTarget_ = !exists || S_ISREG(status.st_mode);
    if (!regularTarget_) {
        // A device or a FIFO takes the bytes as they come; the wait for a
        // FIFO's reader ends when the process's stop rule says so.
        inPlace_ = true;
        fd_ = OpenStreamTarget(target_.c_str(), S_ISFIFO(status.st_mode));
    } else if ((folder_ = ::open(FolderOf(target_).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) < 0) {
        error_ = errno;
        return false;
    } else if (exists && !Writable(folder_, name_, status)) {
        error_ = errno;
        CloseFolder();
        return false;
    } else if (inPlace || !OpenTemporary(exists, exists ? status.st_mode & 07777 : newFileMode_)) {
        // A log, or a folder that takes no new file while the file itself
        // may be written. A file with other names (hard links) is replaced
        // like any other: the new file takes this name, and the other names
        // keep the old content whole, as written in place neither would be.
        if (inPlace || (exists && (errno == EACCES || errno == EPERM || errno == EROFS))) {
            inPlace_ = true;
            fd_ = ::openat(folder_, name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                           static_cast<mode_t>(newFileMode_));
        }
    }
    if (fd_ < 0) {
        error_ = errno != 0 ? errno : EIO;
        CloseFolder();
        return false;
    }
    if (folder_ >= 0) RemoveLeftovers(folder_, !unnamed_);
    if (exists && !inPlace_) static_cast<void>(::fchown(fd_, status.st_uid, status.st_gid));
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    return true;
}

// An unnamed file in the target's folder where the file system has them,
// else a named one; an existing file's permissions are given to it.
bool TextWriter::OpenTemporary(bool exists, unsigned mode) {
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode));
    unnamed_ = fd_ >= 0;
    for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        temporary_ = TemporaryName();
        fd_ = ::openat(folder_, temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
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

void TextWriter::Fail(int error) {
    if (failed_) return;
    failed_ = true;
    error_ = error != 0 ? error : EIO;
}

void TextWriter::WriteBytes(const char* data, std::size_t size) {
    while (size > 0 && !failed_) {
        const ssize_t n = WriteWaiting(fd_, data, size);
        if (n <= 0) {
            Fail(n == 0 ? EIO : errno);
            return;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void TextWriter::Flush() {
    if (fd_ < 0) Fail(EBADF);
    if (!buffer_.empty() && !failed_) WriteBytes(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void TextWriter::WriteThrough(std::string_view bytes) {
    Flush();
    if (bytes.size() < kBufferBytes) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    } else if (!failed_) {
        WriteBytes(bytes.data(), bytes.size());
    }
}

// Gives the written file the target's name.
bool TextWriter::PutInPlace() {
    if (unnamed_) {
        // An unnamed file gets a name first; a rename then replaces the
        // target in one step.
        const std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary_ = TemporaryName();
            if (::linkat(AT_FDCWD, procPath.c_str(), folder_, temporary_.c_str(),
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
    if (temporary_.empty() ||
        ::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    temporary_.clear();
    return true;
}

bool TextWriter::Commit() {
    if (fd_ < 0) return !failed_;
    // An exception that began after Open may have cut the text anywhere.
    if (std::uncaught_exceptions() > unwinding_) {
        Discard();
        return false;
    }
    Flush();
    if (!failed_ && durable_ && ::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
    bool placed = true;
    if (!failed_ && !inPlace_) placed = PutInPlace();
    if (::close(fd_) != 0) Fail(errno);
    fd_ = -1;
    if (!placed || failed_) {
        if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
        temporary_.clear();
        CloseFolder();
        return false;
    }
    if (durable_ && folder_ >= 0) {
        // The new name reaches the disk with the folder.
        const int folder = ::openat(folder_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    CloseFolder();
    return true;
}

void TextWriter::Discard() {
    if (log_ && fd_ >= 0) {
        // A log is read while it grows: what it was given stays.
        Flush();
        ::close(fd_);
        fd_ = -1;
        log_ = false;
        CloseFolder();
        return;
    }
    buffer_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
    temporary_.clear();
    // A plain file written in place is no longer whole.
    if (inPlace_ && regularTarget_ && folder_ >= 0) ::unlinkat(folder_, name_.c_str(), 0);
    inPlace_ = false;
    CloseFolder();
}

void TextWriter::CloseFolder() {
    if (folder_ >= 0) ::close(folder_);
    folder_ = -1;
}

}  // namespace tovfileio
