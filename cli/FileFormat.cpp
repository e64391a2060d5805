#include "cli/FileFormat.h"

#include <cctype>
#include <cstdio>
#include <cstring>

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

}  // namespace

FileFormat DetectFileFormat(const std::string& path) {
    if (HasExtension(path, ".htr")) return FileFormat::Htr;
    if (HasExtension(path, ".trc")) return FileFormat::Trc;
    return StartsLikeTrc(path) ? FileFormat::Trc : FileFormat::Htr;
}
