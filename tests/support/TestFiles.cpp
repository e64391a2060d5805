#include "tests/support/TestFiles.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

#include "tovfileio/text/TextCodec.h"

namespace tovtest {

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("tovtest-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter.fetch_add(1)));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
        if (ec) throw std::runtime_error("cannot create scratch folder: " + ec.message());
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path ScratchDir::Write(const std::string& name, std::string_view bytes) const {
    auto file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write scratch file " + file.string());
    return file;
}

std::wstring Wide(const std::filesystem::path& path) {
    return tovfileio::PathToWide(path.native());
}

std::filesystem::path CorpusDir() {
    // The environment's folder overrides the one the build names.
    const char* env = std::getenv("TOV_CORPUS_DIR");
    const std::filesystem::path dir = env != nullptr && *env != '\0' ? env : TOV_CORPUS_DIR;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return {};
    return std::filesystem::weakly_canonical(dir, ec);
}

std::vector<std::filesystem::path> CorpusFiles(const std::string& subfolder, const std::string& extension) {
    std::vector<std::filesystem::path> files;
    const auto dir = CorpusDir();
    if (dir.empty()) return files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir / subfolder, ec)) {
        if (entry.is_regular_file() && entry.path().extension() == extension) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tovtest
