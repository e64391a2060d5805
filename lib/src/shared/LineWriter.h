// The line writer of the text formats' writers (HTR, BVH): each line is
// built in one reused buffer and ended by a carriage return and a line
// feed, and the lines go to the file in blocks, so a file of many short
// lines costs the output one call a block rather than one a line. Numbers
// are formatted by WriteFixed and to_chars, which ignore the process locale.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
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
        : file_(file), separator_(separator), decimals_(decimals) {
        text_.reserve(kBlockBytes + kLineRoom);
    }

    LineWriter& Text(std::string_view text) {
        text_ += text;
        return *this;
    }
    // A name as UTF-8.
    LineWriter& Name(const std::wstring& name) { return Text(EncodeUtf8(name)); }
    LineWriter& Tabs(std::uint32_t count) {
        text_.append(count, '\t');
        return *this;
    }
    LineWriter& Fixed(double value, int decimals) {
        char digits[tovtext::kFixedRoom];
        const char* const end = tovtext::WriteFixed(digits, value, decimals);
        return Text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    LineWriter& Field(double value) {
        text_ += separator_;
        return Fixed(value, decimals_);
    }
    template <typename Integer>
    LineWriter& Int(Integer value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        return Text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
    }
    // Ends the line; a full block goes to the file.
    void End() {
        text_ += "\r\n";
        if (text_.size() >= kBlockBytes) Flush();
    }
    void Line(std::string_view text) { Text(text).End(); }
    // Hands the lines not yet written to the file: the writer's last step
    // before it commits the file.
    void Flush() {
        if (text_.empty()) return;
        file_.Write(text_);
        text_.clear();
    }

private:
    // A block is at least the text writer's own buffer, so it goes to the
    // file without being copied again.
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    // What a typical line may add past a block before it is handed on.
    static constexpr std::size_t kLineRoom = 4096;

    TextOutput& file_;
    std::string text_;
    char separator_;
    int decimals_;
};

}  // namespace tovfileio
