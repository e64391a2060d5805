#include "cli/files/FileFormat.h"

#include "cli/files/InterruptCleanup.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool HasExtension(const std::string& path, const char* extension) {
    const std::size_t n = std::strlen(extension);
    if (path.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(path[path.size() - n + i]);
        if (std::tolower(c) != extension[i]) return false;
    }
    return true;
}

// The TRC reader's rule: a path whose fourth character from the end is not
// "." gets ".TRC".
bool HasThreeLetterExtension(const std::string& path) {
    return path.size() >= 4 && path[path.size() - 4] == '.';
}

bool StartsLikeTrc(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char head[16] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    std::size_t start = 0;
    if (got >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) start = 3;
    static const char kTrcStart[] = "PathFileType";
    const std::size_t n = sizeof kTrcStart - 1;
    return got >= start + n && std::memcmp(head + start, kTrcStart, n) == 0;
}

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

FileFormat DetectFileFormat(const std::string& path) {
    if (HasExtension(path, ".htr")) return FileFormat::Htr;
    if (HasExtension(path, ".trc")) return FileFormat::Trc;
    return StartsLikeTrc(path) ? FileFormat::Trc : FileFormat::Htr;
}

InputFile::~InputFile() {
    if (tempFolder_.empty()) return;
    if (!readPath_.empty()) ::unlink(readPath_.c_str());
    ::rmdir(tempFolder_.c_str());
    UnregisterFromCleanup(fileSlot_);
    UnregisterFromCleanup(folderSlot_);
}

bool InputFile::Resolve(const std::string& path, const CommandIO& io, std::string& error) {
    std::string source = path;
    if (path == "-") {
        // The readers take a path and the content decides the format, so
        // standard input is kept in a file first.
        tried_ = "-";
        return CopyToTemporary(io.in, path, "stdin", error);
    }
    // A device or a FIFO likewise, when it opens; one that does not is left
    // to the reader, which says why.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
        !S_ISDIR(status.st_mode)) {
        if (std::FILE* from = std::fopen(path.c_str(), "rb")) {
            tried_ = path;
            const bool copied = CopyToTemporary(from, path, BaseName(path), error);
            std::fclose(from);
            return copied;
        }
    }
    if (HasExtension(path, ".htr") || HasExtension(path, ".trc")) {
        format_ = HasExtension(path, ".htr") ? FileFormat::Htr : FileFormat::Trc;
        readPath_ = tried_ = path;
        return true;
    }
    if (!Exists(path)) {
        const std::string trc = HasThreeLetterExtension(path) ? path : path + ".TRC";
        if (trc != path && StartsLikeTrc(trc)) {
            format_ = FileFormat::Trc;
            readPath_ = tried_ = trc;
        } else {
            format_ = FileFormat::Htr;
            readPath_ = tried_ = path + ".htr";
        }
        return true;
    }
    // An existing file: its content decides, and the reader must open this
    // very file, whatever extension it would append.
    format_ = StartsLikeTrc(path) ? FileFormat::Trc : FileFormat::Htr;
    tried_ = path;
    const bool opensAsNamed = format_ == FileFormat::Trc && HasThreeLetterExtension(path);
    if (opensAsNamed) {
        readPath_ = path;
        return true;
    }
    char* absolute = ::realpath(path.c_str(), nullptr);
    tempFolder_ = absolute != nullptr ? MakeRegisteredFolder(TempFolderPattern(), folderSlot_)
                                      : std::string();
    readPath_ = tempFolder_ + "/" + BaseName(path) + (format_ == FileFormat::Trc ? ".trc" : ".htr");
    if (!tempFolder_.empty()) fileSlot_ = RegisterForCleanup(readPath_);
    if (tempFolder_.empty() || ::symlink(absolute, readPath_.c_str()) != 0) {
        // Without a link the reader gets the name as it is and reports it.
        if (!tempFolder_.empty()) ::rmdir(tempFolder_.c_str());
        UnregisterFromCleanup(fileSlot_);
        UnregisterFromCleanup(folderSlot_);
        fileSlot_ = folderSlot_ = -1;
        tempFolder_.clear();
        readPath_ = path;
    }
    std::free(absolute);
    return true;
}

bool InputFile::CopyToTemporary(std::FILE* from, const std::string& path, const std::string& name,
                                std::string& error) {
    tempFolder_ = MakeRegisteredFolder(TempFolderPattern(), folderSlot_);
    const std::string copy = tempFolder_ + "/" + name;
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
    format_ = StartsLikeTrc(copy) ? FileFormat::Trc : FileFormat::Htr;
    readPath_ = copy + (format_ == FileFormat::Trc ? ".trc" : ".htr");
    // Both names are known while the copy takes its new one.
    const int copySlot = fileSlot_;
    fileSlot_ = RegisterForCleanup(readPath_);
    if (::rename(copy.c_str(), readPath_.c_str()) != 0) {
        UnregisterFromCleanup(fileSlot_);
        fileSlot_ = copySlot;
        readPath_ = copy;
    } else {
        UnregisterFromCleanup(copySlot);
    }
    return true;
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
