#include "tovfileio/text/LeadingNumber.h"

#include <bit>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <type_traits>

#include <locale.h>

namespace tovfileio {

namespace tovtext {
namespace {

// Wide characters and bytes alike: a byte of 0x80 or above (negative as a
// char) is never a digit, sign, point or exponent letter.
template <typename Char>
bool IsDigit(Char c) {
    return static_cast<unsigned>(c - Char('0')) < 10u;
}

template <typename Char>
std::size_t SkipSpace(std::basic_string_view<Char> text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsNumberSpace(text[pos])) ++pos;
    return pos;
}

// Length of the valid decimal floating-point text at the start of `text`
// (sign included), or 0 when there is none.
template <typename Char>
std::size_t DecimalPrefixLength(std::basic_string_view<Char> text) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == Char('+') || text[pos] == Char('-'))) ++pos;
    std::size_t digits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < text.size() && text[pos] == Char('.')) {
        ++pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0) return 0;
    if (pos < text.size() && (text[pos] == Char('e') || text[pos] == Char('E'))) {
        std::size_t exponentEnd = pos + 1;
        if (exponentEnd < text.size() &&
            (text[exponentEnd] == Char('+') || text[exponentEnd] == Char('-'))) {
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

template <typename Char>
std::uint64_t AppendDigit(std::uint64_t value, Char digit) {
    return value * 10 + static_cast<std::uint64_t>(digit - Char('0'));
}

// Eight bytes of text at a time, for runs of digits: the bytes are loaded as
// one little-endian word, so the first byte is the lowest.
constexpr bool kWordDigits = std::endian::native == std::endian::little;

// How many of the eight bytes of `word` are digits before the first one that
// is not (8 when all are). Each byte is compared with '0' by exclusive or, so
// a digit becomes its value 0 to 9 and any other byte is above 9 and flagged;
// a carry out of a flagged byte can only disturb the bytes after it.
int LeadingDigitBytes(std::uint64_t word) {
    const std::uint64_t values = word ^ 0x3030303030303030ull;
    const std::uint64_t flags =
        (values | (values + 0x0606060606060606ull)) & 0xF0F0F0F0F0F0F0F0ull;
    return flags == 0 ? 8 : std::countr_zero(flags) / 8;
}

// The value of the first `count` (1 to 8) bytes of `word`, all digits.
std::uint64_t DigitBytesValue(std::uint64_t word, int count) {
    // The digits move to the top bytes, below them come zeros: leading zeros
    // of an eight-digit number, combined pairwise, then in fours, then whole.
    std::uint64_t v = (word ^ 0x3030303030303030ull) << (8 * (8 - count));
    v = v * 10 + (v >> 8);
    v = ((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32)) +
         ((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32))) >>
        32;
    return v & 0xFFFFFFFFull;
}

// The common plain decimal of a motion file, read from UTF-8 bytes a word
// at a time: at most seven digits, a point and at most seven digits, and no
// exponent after them, at `p`; the sign is already taken. Fewer than 16
// bytes are copied to a zero-filled word pair first (a zero byte is neither
// a digit nor a point). Returns false for anything else, which the byte by
// byte conversion then reads.
bool ConvertShortDecimal(const char* p, const char* end, double& value, const char*& stop) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
    static constexpr std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    char padded[16] = {};
    const char* text = p;
    if (end - p < 16) {
        // An empty view may have no data pointer, which memcpy must not see.
        if (end != p) std::memcpy(padded, p, static_cast<std::size_t>(end - p));
        text = padded;
    }
    std::uint64_t word;
    std::memcpy(&word, text, sizeof word);
    const int integerDigits = LeadingDigitBytes(word);
    if (integerDigits == 8 || text[integerDigits] != '.') return false;
    const std::uint64_t integer = integerDigits == 0 ? 0 : DigitBytesValue(word, integerDigits);
    const char* const fraction = text + integerDigits + 1;
    std::memcpy(&word, fraction, sizeof word);
    const int fractionDigits = LeadingDigitBytes(word);
    if (fractionDigits == 8 || integerDigits + fractionDigits == 0) return false;
    const char next = fraction[fractionDigits];
    if (next == 'e' || next == 'E') return false;
    const std::uint64_t mantissa =
        integer * kScale[fractionDigits] +
        (fractionDigits == 0 ? 0 : DigitBytesValue(word, fractionDigits));
    // Fourteen digits at most: exact, as in ConvertPlainDecimal.
    value = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    stop = p + (fraction + fractionDigits - text);
    return true;
}

// Plain decimals ("-12.345678", the bulk of every motion file) with at most
// 15 significant digits convert exactly and quickly: the digits form an
// integer below 2^53 and the power of ten is exact, so one correctly rounded
// division gives the correctly rounded value. Anything else returns false.
// On success `length` is the length of the number.
template <typename Char>
bool ConvertPlainDecimal(std::basic_string_view<Char> text, double& value, std::size_t& length) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const Char* p = text.data();
    const Char* const end = p + text.size();
    const bool negative = p < end && *p == Char('-');
    if (p < end && (*p == Char('-') || *p == Char('+'))) ++p;
    if constexpr (std::is_same_v<Char, char> && kWordDigits) {
        double magnitude;
        const char* stop;
        if (ConvertShortDecimal(p, end, magnitude, stop)) {
            value = negative ? -magnitude : magnitude;
            length = static_cast<std::size_t>(stop - text.data());
            return true;
        }
    }
    // Digits past the fifteenth make the mantissa wrap, but the count then
    // sends the text to the general conversion anyway.
    std::uint64_t mantissa = 0;
    const Char* const integerStart = p;
    for (; p < end && IsDigit(*p); ++p) mantissa = AppendDigit(mantissa, *p);
    std::ptrdiff_t digits = p - integerStart;
    std::ptrdiff_t fractionDigits = 0;
    if (p < end && *p == Char('.')) {
        const Char* const fractionStart = ++p;
        for (; p < end && IsDigit(*p); ++p) mantissa = AppendDigit(mantissa, *p);
        fractionDigits = p - fractionStart;
        digits += fractionDigits;
    }
    if (digits == 0 || digits > 15) return false;
    // An exponent needs the general conversion.
    if (p < end && (*p == Char('e') || *p == Char('E'))) return false;
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    value = negative ? -magnitude : magnitude;
    length = static_cast<std::size_t>(p - text.data());
    return true;
}

// The general conversion of the decimal prefix of `text`; `length` is its
// length (0 when there is none).
double ConvertGeneralDecimal(std::string_view text, std::size_t& length) {
    length = DecimalPrefixLength(text);
    if (length == 0) return 0.0;
    return ConvertValidDecimal(text.data(), text.data() + length);
}

double ConvertGeneralDecimal(std::wstring_view text, std::size_t& length) {
    length = DecimalPrefixLength(text);
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

template <typename Char>
std::int32_t ConvertInt(std::basic_string_view<Char> text) {
    std::size_t pos = SkipSpace(text);
    bool negative = false;
    if (pos < text.size() && (text[pos] == Char('+') || text[pos] == Char('-'))) {
        negative = text[pos] == Char('-');
        ++pos;
    }
    // Accumulate towards the negative side, which holds one more value.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[pos] - Char('0'));
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                   : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                               : static_cast<std::int32_t>(magnitude);
}

template <typename Char>
double ConvertDouble(std::basic_string_view<Char> text, std::size_t& used) {
    const std::size_t space = SkipSpace(text);
    text.remove_prefix(space);
    double value;
    std::size_t length = 0;
    if (!ConvertPlainDecimal(text, value, length)) value = ConvertGeneralDecimal(text, length);
    used = length == 0 ? 0 : space + length;
    return value;
}

}  // namespace

std::int32_t LeadingInt(std::wstring_view text) { return ConvertInt(text); }
std::int32_t LeadingInt(std::string_view text) { return ConvertInt(text); }

double LeadingDouble(std::wstring_view text) {
    std::size_t used;
    return ConvertDouble(text, used);
}

double LeadingDouble(std::string_view text) {
    std::size_t used;
    return ConvertDouble(text, used);
}

double LeadingDouble(std::string_view text, std::size_t& used) { return ConvertDouble(text, used); }
double LeadingDouble(std::wstring_view text, std::size_t& used) { return ConvertDouble(text, used); }

namespace {

template <typename Char>
NumberField Classify(std::basic_string_view<Char> field) {
    const std::size_t space = SkipSpace(field);
    if (space == field.size()) return NumberField::kBlank;
    std::size_t used = 0;
    ConvertDouble(field, used);
    if (used == 0) return NumberField::kText;
    while (used < field.size() && IsNumberSpace(field[used])) ++used;
    return used == field.size() ? NumberField::kWhole : NumberField::kText;
}

}  // namespace

NumberField ClassifyNumberField(std::string_view field) { return Classify(field); }
NumberField ClassifyNumberField(std::wstring_view field) { return Classify(field); }

}  // namespace tovtext

}  // namespace tovfileio
