// Output files that appear whole or not at all: a command writes into a
// temporary file beside the destination and renames it into place only when
// everything succeeded, so an existing file is never left half-written. The
// temporary file is removed on failure and on SIGINT, SIGTERM and SIGHUP.
#pragma once

#include <string>

class StagedOutput {
public:
    // Stages `finalPath`; the temporary file is in the same folder and ends
    // in `extension`, so that writers that add an extension leave it alone.
    StagedOutput(std::string finalPath, const std::string& extension);
    // Removes the temporary file unless it was committed.
    ~StagedOutput();
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    const std::string& TempPath() const { return tempPath_; }
    // Moves the temporary file to the destination, keeping the permissions
    // of a file it replaces. False, with `error` set, when that fails.
    bool Commit(std::string& error);

private:
    std::string finalPath_;
    std::string tempPath_;
    bool committed_ = false;
    int cleanupSlot_ = -1;
};
