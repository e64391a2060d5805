// A file read as lines through one buffer, for readers that take a line at a
// time without copying it: the buffer grows to hold the longest line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace brindle::host {

class FileLines {
public:
    explicit FileLines(int fd) : fd_(fd), buffer_(kFirstBytes) {}

    // The next line without its line feed; false at the end of the file and
    // after a read error.
    bool Next(std::string_view& line) {
        for (;;) {
            const char* data = buffer_.data();
            if (const void* feed = std::memchr(data + scanned_, '\n', end_ - scanned_)) {
                const auto at = static_cast<std::size_t>(static_cast<const char*>(feed) - data);
                line = std::string_view(data + begin_, at - begin_);
                begin_ = scanned_ = at + 1;
                return true;
            }
            scanned_ = end_;
            if (error_ != 0) return false;
            if (eof_) {
                if (begin_ == end_) return false;
                line = std::string_view(data + begin_, end_ - begin_);
                begin_ = end_;
                return true;
            }
            Fill();
        }
    }
    int Error() const { return error_; }
    bool Empty() const { return eof_ && bytes_ == 0; }

private:
    static constexpr std::size_t kFirstBytes = 256 * 1024;

    // Reads on after the unfinished line, moved to the front of the buffer.
    void Fill();

    int fd_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;    // the start of the line not yet handed out
    std::size_t scanned_ = 0;  // bytes from there known to hold no line feed
    std::size_t end_ = 0;      // the end of the bytes read
    bool eof_ = false;
    int error_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace brindle::host
