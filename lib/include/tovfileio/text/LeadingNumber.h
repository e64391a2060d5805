// Numbers read from the start of a field, the way the C library's
// wide-character conversions read them: leading white space skipped, the
// longest valid prefix converted, 0 when nothing converts. "29.97" read as
// an integer is 29; "12abc" is 12; "abc" is 0.
//
// Each conversion takes wide text or the UTF-8 bytes of the same text: a
// number is made of ASCII characters only, and every byte of a character
// beyond ASCII is 0x80 or above, so both give the same value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tovfileio {

namespace tovtext {

// Optional sign and decimal digits. Values beyond the 32-bit range clamp to
// its ends, as the 32-bit C conversion does.
std::int32_t LeadingInt(std::wstring_view text);
std::int32_t LeadingInt(std::string_view text);

// Optional sign, digits with an optional decimal point (at least one digit),
// and an optional exponent ("e" or "E", optional sign, digits). Only decimal
// text converts: hexadecimal, "inf" and "nan" read as 0 (or as the decimal
// prefix in front of them). The result is the correctly rounded double;
// magnitudes beyond the double range give infinity, tiny ones 0 or a
// subnormal, as in the C library.
double LeadingDouble(std::wstring_view text);
double LeadingDouble(std::string_view text);

// LeadingDouble of `text`, and in `used` the length of the white space and
// number it converted (0 when nothing converts). Every character of `text`
// after that length is one the number could not go on with, so a reader that
// splits fields at characters that cannot be part of a number may convert
// from the start of a field up to the end of the line and skip the rest of
// the field from `used` on.
double LeadingDouble(std::string_view text, std::size_t& used);
double LeadingDouble(std::wstring_view text, std::size_t& used);

// How a field of a file reads as a number, for readers that tell where a
// value is not what the file means.
enum class NumberField {
    kBlank,  // empty, or white space only
    kWhole,  // a number and nothing else but white space around it
    kText,   // text, with or without a number before it
};
NumberField ClassifyNumberField(std::string_view field);
NumberField ClassifyNumberField(std::wstring_view field);

// True for the characters the C library skips before a number: space, tab,
// line feed, vertical tab, form feed and carriage return.
constexpr bool IsNumberSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}
constexpr bool IsNumberSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace tovtext

}  // namespace tovfileio
