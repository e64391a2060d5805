#include "cli/files/InputFile.h"

#include "cli/files/InterruptCleanup.h"
#include "cli/files/HostNames.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

enum class Copied { kAll, kFailed, kBeyondLimit };

// Copies `from` to `to`, at most `limit` bytes (0: no limit): a byte more
// means the input goes on beyond the limit, and the copy stops there.
Copied CopyBytes(std::FILE* from, std::FILE* to, std::uint64_t limit) {
    char buffer[1 << 16];
    std::uint64_t total = 0;
    bool written = true;
    for (;;) {
        std::size_t wanted = sizeof buffer;
        if (limit != 0 && limit - total < wanted) {
            wanted = static_cast<std::size_t>(limit - total) + 1;
        }
        const std::size_t got = std::fread(buffer, 1, wanted, from);
        if (got == 0) break;
        if (limit != 0 && got > limit - total) return Copied::kBeyondLimit;
        written = written && std::fwrite(buffer, 1, got, to) == got;
        total += got;
    }
    return written && std::ferror(from) == 0 ? Copied::kAll : Copied::kFailed;
}

}  // namespace

using tovfileio::FileKind;

FileKind KindOfInput(const std::string& path) {
    // What tells no kind of take is read as HTR, whose reader says what it
    // found instead.
    const FileKind kind = tovfileio::KindOfTake(path);
    return kind == FileKind::kUnknown ? FileKind::kHtr : kind;
}

NamedInput InputNamed(const std::string& name) {
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0) {
        if (S_ISREG(status.st_mode)) return {KindOfInput(name), name};
        const bool trc = tovfileio::KindByName(name) == FileKind::kTrc;
        return {trc ? FileKind::kTrc : FileKind::kHtr, name};
    }
    const std::string trc = TrcFileNamed(name);
    const FileKind named = tovfileio::KindByName(name);
    if (named == FileKind::kTrc ||
        (named != FileKind::kHtr && trc != name && Exists(trc) && KindOfInput(trc) == FileKind::kTrc)) {
        return {FileKind::kTrc, trc};
    }
    return {FileKind::kHtr, HtrFileNamed(name)};
}

// Why the file at `path` (`shown` in messages) is none a reader takes, as
// its first bytes tell: binary data that is not a C3D file, whose bytes
// would otherwise reach the terminal as the readers' findings. Empty when
// it may be one.
std::string ContentRefused(const std::string& path, const std::string& shown) {
    const std::string head = tovfileio::FirstBytesOf(path);
    if (tovfileio::LooksBinary(head) && tovfileio::KindByContent(head) != FileKind::kC3d) {
        return shown + ": holds binary data, not a C3D file nor the text of an HTR, TRC, BVH "
                       "or GWM file";
    }
    return std::string();
}

InputFile::~InputFile() {
    if (tempFolder_.empty()) return;
    if (!readPath_.empty()) ::unlink(readPath_.c_str());
    ::rmdir(tempFolder_.c_str());
    UnregisterFromCleanup(fileSlot_);
    UnregisterFromCleanup(folderSlot_);
}

bool InputFile::Resolve(const std::string& path, const CommandIO& io, std::string& error) {
    if (path == "-") {
        // The readers take a path and the content decides the kind, so
        // standard input is kept in a file first.
        tried_ = "-";
        return CopyToTemporary(io.in, path, error);
    }
    // A device or a FIFO likewise, when it opens; one that does not is left
    // to the reader, which says why.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
        !S_ISDIR(status.st_mode)) {
        if (std::FILE* from = std::fopen(path.c_str(), "rb")) {
            tried_ = path;
            const bool copied = CopyToTemporary(from, path, error);
            std::fclose(from);
            return copied;
        }
    }
    const NamedInput named = InputNamed(path);
    kind_ = named.kind;
    readPath_ = tried_ = named.path;
    if (!Exists(path)) return true;
    error = ContentRefused(path, path);
    return error.empty();
}

bool InputFile::CopyToTemporary(std::FILE* from, const std::string& path, std::string& error) {
    tempFolder_ = MakeRegisteredFolder(TempFolderPattern(), folderSlot_);
    const std::string copy = tempFolder_ + "/" + (path == "-" ? "stdin" : BaseName(path));
    if (!tempFolder_.empty()) fileSlot_ = RegisterForCleanup(copy);
    std::FILE* file = tempFolder_.empty() ? nullptr : std::fopen(copy.c_str(), "wb");
    if (file == nullptr) {
        error = path + ": a temporary copy could not be made: " + std::string(std::strerror(errno));
        return false;
    }
    const Copied copied = CopyBytes(from, file, byteLimit_);
    const bool closed = std::fclose(file) == 0;
    if (copied != Copied::kAll || !closed) {
        ::unlink(copy.c_str());
        if (copied == Copied::kBeyondLimit) {
            error = path + ": stopped reading after " + std::to_string(byteLimit_) +
                    " bytes: not a file of finite size (--max-input allows more)";
        } else {
            error = path + (path == "-" ? ": standard input" : ": the input") +
                    " could not be copied";
        }
        return false;
    }
    kind_ = KindOfInput(copy);
    readPath_ = copy;
    error = ContentRefused(copy, path);
    return error.empty();
}

std::string WhyNotReadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return std::strerror(errno);
    struct stat status {};
    const bool directory = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    ::close(fd);
    return directory ? std::strerror(EISDIR) : std::string();
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
