// The file a fuzz target writes its input to, since the readers take paths.
// One per process, removed when the process ends.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

#include "tovfileio/text/TextCodec.h"

class FuzzInputFile {
public:
    explicit FuzzInputFile(const std::string& extension,
                           const std::filesystem::path& folder = std::filesystem::temp_directory_path())
        : path_(folder / ("tov-fuzz-" + std::to_string(::getpid()) + extension)) {}
    ~FuzzInputFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }

    void Write(std::string_view bytes) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) std::abort();
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !written) std::abort();
    }
    // The file's bytes now (empty when it cannot be read).
    std::string Read() const {
        std::string bytes;
        if (std::FILE* file = std::fopen(path_.c_str(), "rb")) {
            char buffer[65536];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
            std::fclose(file);
        }
        return bytes;
    }
    const std::filesystem::path& Path() const { return path_; }
    std::wstring WidePath() const { return tovfileio::PathToWide(path_.native()); }

private:
    std::filesystem::path path_;
};

// A folder of the process's own, in memory where the system has a file
// system there: for a target whose subject waits for the disk on each save
// and leaves files beside its input (locks, kept copies), so that an input
// costs what its bytes do and the target alone sees those files. Removed,
// with what it holds, when the process ends.
class FuzzFolder {
public:
    FuzzFolder() {
        std::error_code ec;
        const std::filesystem::path memory = "/dev/shm";
        const std::filesystem::path parent =
            std::filesystem::is_directory(memory, ec) ? memory : std::filesystem::temp_directory_path();
        path_ = parent / ("tov-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directory(path_, ec);
        if (ec) std::abort();
    }
    ~FuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}
