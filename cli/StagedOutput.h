// Output files that appear whole or not at all: a command writes into a
// temporary file and renames it into place only when everything succeeded,
// so an existing file is never left half-written. The temporary file has
// the destination's own name, in a private folder beside the destination
// (".NAME.partial-XXXXXX"), so writers that put the file's name inside it
// write the right one. File and folder are removed on failure and on
// SIGINT, SIGTERM and SIGHUP.
#pragma once

#include <string>

class StagedOutput {
public:
    explicit StagedOutput(std::string finalPath);
    // Removes the temporary file and its folder unless it was committed.
    ~StagedOutput();
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    // False, with the system's error number, when the private folder could
    // not be made.
    bool Ready() const { return error_ == 0; }
    int Error() const { return error_; }
    const std::string& TempPath() const { return tempPath_; }
    // Moves the temporary file to the destination, keeping the permissions
    // of a file it replaces. False, with `error` set, when that fails.
    bool Commit(std::string& error);

private:
    std::string finalPath_;
    std::string tempFolder_;
    std::string tempPath_;
    bool committed_ = false;
    int error_ = 0;
    int folderSlot_ = -1;
    int fileSlot_ = -1;
};
