// A progress bar on standard error for long reads and writes, drawn only
// when standard error is a terminal and the work lasts longer than a moment;
// otherwise nothing at all is written.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class Progress {
public:
    // Shows `what` and how far `done()` has come from its value now towards
    // `total` more, redrawn ten times a second after `delay`, until
    // destroyed; the line is then cleared.
    Progress(std::FILE* terminal, std::uint64_t total, std::function<std::uint64_t()> done,
             std::string what, std::chrono::milliseconds delay = std::chrono::milliseconds(500));
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

private:
    void Run();
    void Draw(std::uint64_t part);

    std::FILE* terminal_;
    std::uint64_t total_;
    std::function<std::uint64_t()> done_;
    std::string what_;
    std::chrono::milliseconds delay_;
    std::uint64_t start_ = 0;
    bool drawn_ = false;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

// Bytes this process has read from files so far (Linux's /proc/self/io),
// and written to them.
std::uint64_t ProcessBytesRead();
std::uint64_t ProcessBytesWritten();
