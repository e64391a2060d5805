// The line writer of the text formats' writers (HTR, BVH): each line is
// built in one reused buffer and ended by a carriage return and a line
// feed, and the lines go to the file in blocks, so a file of many short
// lines costs the output one call a block rather than one a line. Numbers
// are formatted by WriteFixed and to_chars, which ignore the process locale.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "tovfileio/text/FixedNumber.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

class LineWriter {
public:
    // Each Field is `separator`, then the value with `decimals` decimals.
    LineWriter(TextOutput& file, char separator, int decimals)
        : file_(file), text_(kBlockBytes + kLineRoom, '\0'), separator_(separator),
          decimals_(decimals) {}

    LineWriter& Text(std::string_view text) {
        std::memcpy(Room(text.size()), text.data(), text.size());
        used_ += text.size();
        return *this;
    }
    // A name as UTF-8.
    LineWriter& Name(const std::wstring& name) { return Text(EncodeUtf8(name)); }
    LineWriter& Tabs(std::uint32_t count) {
        std::memset(Room(count), '\t', count);
        used_ += count;
        return *this;
    }
    // The digits go straight into the block, which always has room for the
    // longest number.
    LineWriter& Fixed(double value, int decimals) {
        char* const at = Room(tovtext::kFixedRoom);
        used_ += static_cast<std::size_t>(tovtext::WriteFixed(at, value, decimals) - at);
        return *this;
    }
    LineWriter& Field(double value) {
        *Room(1) = separator_;
        ++used_;
        return Fixed(value, decimals_);
    }
    template <typename Integer>
    LineWriter& Int(Integer value) {
        char* const at = Room(24);
        used_ += static_cast<std::size_t>(std::to_chars(at, at + 24, value).ptr - at);
        return *this;
    }
    // Ends the line; a full block goes to the file.
    void End() {
        std::memcpy(Room(2), "\r\n", 2);
        used_ += 2;
        if (used_ >= kBlockBytes) Flush();
    }
    void Line(std::string_view text) { Text(text).End(); }
    // Hands the lines not yet written to the file: the writer's last step
    // before it commits the file.
    void Flush() {
        if (used_ == 0) return;
        file_.Write(std::string_view(text_.data(), used_));
        used_ = 0;
    }

private:
    // A block is at least the text writer's own buffer, so it goes to the
    // file without being copied again.
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    // What a typical line may add past a block before it is handed on.
    static constexpr std::size_t kLineRoom = 4096;

    // Where `bytes` more go, the buffer grown for a line longer than a
    // block's room.
    char* Room(std::size_t bytes) {
        if (text_.size() - used_ < bytes) text_.resize(std::max(2 * text_.size(), used_ + bytes));
        return text_.data() + used_;
    }

    TextOutput& file_;
    // The lines not yet written are its first used_ bytes.
    std::string text_;
    std::size_t used_ = 0;
    char separator_;
    int decimals_;
};

}  // namespace tovfileio
