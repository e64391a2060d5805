#include "text/LeadingNumber.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

#include <locale.h>

namespace tovtext {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::size_t SkipSpace(std::wstring_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsNumberSpace(text[pos])) ++pos;
    return pos;
}

// Length of the valid decimal floating-point text at the start of `text`
// (sign included), or 0 when there is none.
std::size_t DecimalPrefixLength(std::wstring_view text) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) ++pos;
    std::size_t digits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < text.size() && text[pos] == L'.') {
        ++pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0) return 0;
    if (pos < text.size() && (text[pos] == L'e' || text[pos] == L'E')) {
        std::size_t exponentEnd = pos + 1;
        if (exponentEnd < text.size() && (text[exponentEnd] == L'+' || text[exponentEnd] == L'-')) {
            ++exponentEnd;
        }
        const std::size_t exponentDigitsStart = exponentEnd;
        while (exponentEnd < text.size() && IsDigit(text[exponentEnd])) ++exponentEnd;
        if (exponentEnd > exponentDigitsStart) pos = exponentEnd;
    }
    return pos;
}

// Converts ASCII decimal text that is known to be valid. from_chars gives
// the correctly rounded value and ignores the locale; only a result beyond
// the double range takes the slower C conversion, which knows how to
// saturate to infinity or flush to zero.
double ConvertValidDecimal(const char* begin, const char* end) {
    const bool negative = *begin == '-';
    const char* digits = (*begin == '-' || *begin == '+') ? begin + 1 : begin;
    double value = 0.0;
    const auto result = std::from_chars(digits, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        const std::string copy(digits, end);
        value = strtod_l(copy.c_str(), nullptr, cLocale);
    }
    return negative ? -value : value;
}

// Plain decimals ("-12.345678", the bulk of every motion file) with at most
// 15 significant digits convert exactly and quickly: the digits form an
// integer below 2^53 and the power of ten is exact, so one correctly rounded
// division gives the correctly rounded value. Anything else returns false.
bool ConvertPlainDecimal(std::wstring_view text, double& value) {
    constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::size_t pos = 0;
    const bool negative = pos < text.size() && text[pos] == L'-';
    if (pos < text.size() && (text[pos] == L'-' || text[pos] == L'+')) ++pos;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool inFraction = false;
    for (; pos < text.size(); ++pos) {
        const wchar_t c = text[pos];
        if (IsDigit(c)) {
            if (++digits > 15) return false;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - L'0');
            if (inFraction) ++fractionDigits;
        } else if (c == L'.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    // An exponent needs the general conversion.
    if (pos < text.size() && (text[pos] == L'e' || text[pos] == L'E')) return false;
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    value = negative ? -magnitude : magnitude;
    return true;
}

double ConvertGeneralDecimal(std::wstring_view text) {
    const std::size_t length = DecimalPrefixLength(text);
    if (length == 0) return 0.0;
    // The prefix is pure ASCII, so narrowing is a plain copy; most numbers
    // fit the stack buffer.
    char small[64];
    std::string large;
    char* narrow = small;
    if (length > sizeof small) {
        large.resize(length);
        narrow = large.data();
    }
    for (std::size_t n = 0; n < length; ++n) narrow[n] = static_cast<char>(text[n]);
    return ConvertValidDecimal(narrow, narrow + length);
}

}  // namespace

std::int32_t LeadingInt(std::wstring_view text) {
    std::size_t pos = SkipSpace(text);
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        ++pos;
    }
    // Accumulate towards the negative side, which holds one more value.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[pos] - L'0');
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                   : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                               : static_cast<std::int32_t>(magnitude);
}

double LeadingDouble(std::wstring_view text) {
    text.remove_prefix(SkipSpace(text));
    double value;
    if (ConvertPlainDecimal(text, value)) return value;
    return ConvertGeneralDecimal(text);
}

}  // namespace tovtext
