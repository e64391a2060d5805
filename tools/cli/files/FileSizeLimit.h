// The process's file-size limit, lowered while a command writes, so a
// writer stops at the limit (its writes fail) instead of filling a disk.
#pragma once

#include <cstdint>

#include <sys/resource.h>

// Makes a write beyond the file-size limit fail instead of ending the
// process (SIGXFSZ noted, not fatal). Called once by main.
void HandleFileSizeLimitSignal();

class FileSizeLimit {
public:
    // `bytes` 0: no limit of our own.
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // True once a write failed because a file reached the limit.
    bool Reached() const;

private:
    rlimit saved_{};
    bool active_ = false;
};
