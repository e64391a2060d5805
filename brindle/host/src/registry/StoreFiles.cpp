#include "registry/StoreFiles.h"

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace brindle::host {
namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool CopyBytes(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (in == nullptr) return false;
    std::FILE* out = std::fopen(to.c_str(), "wbx");
    bool kept = out != nullptr;
    if (kept) {
        char buffer[8192];
        std::size_t n;
        while (kept && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
            kept = std::fwrite(buffer, 1, n, out) == n;
        }
        kept = std::fclose(out) == 0 && kept && !std::ferror(in);
        if (!kept) std::remove(to.c_str());
    }
    std::fclose(in);
    return kept;
}

}  // namespace

void CreateFoldersFor(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    }
}

bool KeepDamagedCopy(const std::string& path, std::string& copy) {
    struct stat file {};
    struct stat named {};
    if (::stat(path.c_str(), &file) != 0) return false;
    copy = path + ".damaged";
    for (int n = 1; ::lstat(copy.c_str(), &named) == 0; ++n) {
        if (SameFile(named, file)) return true;
        copy = path + ".damaged." + std::to_string(n);
    }
    // A hard link keeps the old bytes without a moment in which the store
    // file is missing, and needs no right to read them: the save replaces
    // the file by a rename, so the link goes on naming the old one. Where
    // links are not possible, copy.
    return ::link(path.c_str(), copy.c_str()) == 0 || CopyBytes(path, copy);
}

FileStamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return {static_cast<long long>(info.st_dev), static_cast<long long>(info.st_ino),
            static_cast<long long>(info.st_size), static_cast<long long>(info.st_ctim.tv_sec),
            static_cast<long long>(info.st_ctim.tv_nsec)};
}

}  // namespace brindle::host
