#include "cli/files/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextWriter.h"
#include "cli/files/InterruptCleanup.h"

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The input's name without folder and extension.
std::string Stem(const std::string& input) {
    std::string name = input == "-" ? std::string("stdin") : BaseName(input);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

OutputFile::~OutputFile() {
    if (staged_ && !writePath_.empty()) ::unlink(writePath_.c_str());
    if (!tempFolder_.empty()) ::rmdir(tempFolder_.c_str());
    UnregisterFromCleanup(fileSlot_);
    UnregisterFromCleanup(folderSlot_);
}

std::string NotOpened(int error, const std::string& where) {
    return tovfileio::EncodeUtf8(tovfileio::kFileNotOpened) + " (" +
           (where.empty() ? "" : where + ": ") + std::strerror(error) + ")";
}

std::string NotWrittenWhole(int error) {
    return "The file could not be written completely" +
           (error != 0 ? " (" + std::string(std::strerror(error)) + ")" : std::string());
}

namespace {

std::string CannotOpen(const std::string& name, const std::string& path, int code) {
    return NotOpened(code, path == name ? std::string() : path);
}

// An existing plain file (or a link's target) that the output may not
// replace; empty when it may.
std::string RefusalOf(const std::string& path, const std::string& name) {
    std::string final;
    if (int code = 0; !tovfileio::FollowLinks(path, final, code)) {
        return CannotOpen(name, path, code);
    }
    struct stat target {};
    if (::stat(final.c_str(), &target) == 0) {
        if (S_ISDIR(target.st_mode)) return CannotOpen(name, path, EISDIR);
        // As `cp` without -f: a file the user may not write stays. A
        // write-protected file stays even for root, who may write anything,
        // as `rm` asks before removing one.
        if (::faccessat(AT_FDCWD, final.c_str(), W_OK, AT_EACCESS) != 0) {
            return CannotOpen(name, path, errno);
        }
        if ((target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return "is write-protected (read-only); it is not replaced";
        }
    } else if (errno != ENOENT) {
        return CannotOpen(name, path, errno);
    }
    const std::string folder = FolderOf(final);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) return CannotOpen(name, folder, errno);
    if (!S_ISDIR(status.st_mode)) return CannotOpen(name, folder, ENOTDIR);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return CannotOpen(name, folder, errno);
    }
    return std::string();
}

}  // namespace

bool OutputFile::Stage(const std::string& input, const std::string& extension,
                       std::string& error) {
    staged_ = true;
    tempFolder_ = MakeRegisteredFolder(TempFolderPattern(), folderSlot_);
    if (tempFolder_.empty()) {
        error = CannotOpen(name_, name_, errno);
        return false;
    }
    writePath_ = tempFolder_ + "/" + Stem(input) + extension;
    fileSlot_ = RegisterForCleanup(writePath_);
    return true;
}

bool OutputFile::StageStream(const std::string& input, const std::string& extension,
                             std::string& error) {
    if (plain_ || staged_) return true;
    streamPath_ = writePath_;
    return Stage(input, extension, error);
}

bool OutputFile::Resolve(const std::string& out, const std::string& input,
                         const std::string& inputFile, const std::string& extension,
                         NameRule rule, std::string& error) {
    name_ = out;
    if (out == "-") {
        toStandardOutput_ = true;
        return Stage(input, extension, error);
    }
    std::string path = out;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        path += (path.back() == '/' ? "" : "/") + Stem(input) + extension;
        name_ = path;
    } else if (!path.empty() && path.back() == '/') {
        error = CannotOpen(name_, path, ::stat(path.c_str(), &status) == 0 ? ENOTDIR : ENOENT);
        return false;
    }
    const bool exists = ::stat(path.c_str(), &status) == 0;
    const bool stream = exists && (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) ||
                                   S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
    if (exists && S_ISDIR(status.st_mode)) {
        error = CannotOpen(name_, path, EISDIR);
        return false;
    }
    if (!stream && rule != nullptr && rule(path) != path) {
        path = rule(path);
        name_ = path;
    }
    struct stat in {};
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && ::stat(inputFile.c_str(), &in) == 0 &&
        in.st_dev == target.st_dev && in.st_ino == target.st_ino) {
        error = "is the input file; it is not replaced by the output";
        return false;
    }
    if (stream) {
        writePath_ = path;
        return true;
    }
    error = RefusalOf(path, name_);
    if (!error.empty()) return false;
    plain_ = true;
    writePath_ = path;
    return true;
}

bool OutputFile::Write(std::string_view bytes, std::string& error) {
    tovfileio::TextWriter file;
    if (!file.Open(tovfileio::PathToWide(writePath_))) {
        error = std::strerror(file.Error());
        return false;
    }
    file.Write(bytes);
    if (!file.Commit()) {
        error = NotWrittenWhole(file.Error());
        return false;
    }
    return true;
}

// Through the writer, which waits for a FIFO's reader as long as the
// process's stop rule lets it.
bool OutputFile::CopyToStream(std::string& error) const {
    std::FILE* file = std::fopen(writePath_.c_str(), "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    tovfileio::TextWriter stream;
    bool ok = stream.Open(tovfileio::PathToWide(streamPath_));
    char buffer[1 << 16];
    std::size_t got;
    while (ok && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        stream.Write(std::string_view(buffer, got));
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    if (ok && read && stream.Commit()) return true;
    error = !read ? std::string(std::strerror(EIO))
            : ok  ? NotWrittenWhole(stream.Error())
                  : NotOpened(stream.Error());
    return false;
}

bool OutputFile::Finish(const CommandIO& io, std::string& error) {
    if (!streamPath_.empty()) return CopyToStream(error);
    if (!toStandardOutput_) return true;
    std::FILE* file = std::fopen(writePath_.c_str(), "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[1 << 16];
    std::size_t got;
    bool ok = true;
    while (ok && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        ok = std::fwrite(buffer, 1, got, io.out) == got;
    }
    ok = std::fflush(io.out) == 0 && ok && !std::ferror(file);
    const int code = errno;
    std::fclose(file);
    if (!ok) error = std::string("standard output: ") + std::strerror(code);
    return ok;
}
