#include "cli/run/Progress.h"

#include <algorithm>
#include <cstring>

#include <unistd.h>

Progress::Progress(std::FILE* terminal, std::uint64_t total, std::function<std::uint64_t()> done,
                   std::string what, std::chrono::milliseconds delay)
    : terminal_(terminal), total_(total), done_(std::move(done)), what_(std::move(what)),
      delay_(delay) {
    if (terminal_ == nullptr || total_ == 0 || ::isatty(::fileno(terminal_)) != 1) return;
    start_ = done_();
    thread_ = std::thread([this] { Run(); });
}

Progress::~Progress() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (drawn_) {
        // Clears the bar's line for whatever comes next.
        std::fputs("\r\033[K", terminal_);
        std::fflush(terminal_);
    }
}

void Progress::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, delay_, [this] { return stop_; })) return;
    do {
        const std::uint64_t now = done_();
        Draw(now > start_ ? now - start_ : 0);
    } while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; }));
}

void Progress::Draw(std::uint64_t part) {
    constexpr int kWidth = 30;
    const double fraction = std::min(1.0, static_cast<double>(part) / static_cast<double>(total_));
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(terminal_, "\r%s [%s] %3d%%", what_.c_str(), bar.c_str(),
                 static_cast<int>(fraction * 100));
    std::fflush(terminal_);
    drawn_ = true;
}

namespace {

// A count of /proc/self/io ("rchar:", "wchar:").
std::uint64_t ProcessIoCount(const char* field) {
    std::FILE* io = std::fopen("/proc/self/io", "r");
    if (io == nullptr) return 0;
    char line[128];
    std::uint64_t bytes = 0;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, io) != nullptr) {
        if (std::strncmp(line, field, length) == 0) {
            bytes = std::strtoull(line + length, nullptr, 10);
            break;
        }
    }
    std::fclose(io);
    return bytes;
}

}  // namespace

std::uint64_t ProcessBytesRead() { return ProcessIoCount("rchar:"); }

std::uint64_t ProcessBytesWritten() { return ProcessIoCount("wchar:"); }
