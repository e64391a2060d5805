// Files for tests: scratch files in a private temporary folder, and the
// shared corpus of real files beside the project.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tovtest {

// A fresh temporary folder, removed with everything in it when destroyed.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes `bytes` exactly as given to a file `name` in the folder and
    // returns its full path.
    std::filesystem::path Write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// Wide form of a path, as the file libraries take it.
std::wstring Wide(const std::filesystem::path& path);

// The corpus folder of real files, or an empty path when it is not there.
std::filesystem::path CorpusDir();
// Files with the given extension (".htr", ".trc") in a corpus subfolder,
// sorted by name; empty when the corpus is missing.
std::vector<std::filesystem::path> CorpusFiles(const std::string& subfolder, const std::string& extension);

// Whole contents of a file as bytes.
std::string ReadBytes(const std::filesystem::path& path);

// Names of what a folder holds, sorted.
std::vector<std::string> Entries(const std::filesystem::path& folder);

}  // namespace tovtest
