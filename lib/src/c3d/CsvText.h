// Numbers of the analog and force CSV files, appended to their text.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace tovfileio::csvtext {

// Text held before it goes to the file.
inline constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

// Plain decimals with the fewest digits that read back as the same double;
// nothing for a value that is not finite.
inline void AppendNumber(std::string& text, double value) {
    if (!std::isfinite(value)) return;
    // Plain decimals of a double run to 309 digits before the point and
    // 1,074 after it at the most.
    char digits[1100];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    if (error == std::errc()) text.append(digits, end);
}

inline void AppendInt(std::string& text, std::int64_t value) {
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// "NUMBER,TIME" of an analog sample: its number as AnalogCsv.h numbers it
// and its time at `rate` samples a second (empty without a rate).
inline void AppendSampleStart(std::string& text, std::int64_t number, double rate) {
    AppendInt(text, number);
    text += ',';
    if (rate > 0) AppendNumber(text, static_cast<double>(number - 1) / rate);
}

}  // namespace tovfileio::csvtext
