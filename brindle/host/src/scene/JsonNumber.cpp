#include <charconv>
#include <cstdint>

#include "scene/JsonReader.h"

namespace brindle::host {
namespace {

// The power of ten of the first significant digit of a number that is not
// zero, its exponent clamped far beyond any double's.
long long Magnitude(std::string_view text) {
    std::size_t i = text.front() == '-' ? 1 : 0;
    long long whole = 0, zeros = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (whole > 0 || text[i] != '0') ++whole;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (whole > 0 || text[i] != '0') break;
            ++zeros;
        }
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    }
    long long magnitude = whole > 0 ? whole - 1 : -(zeros + 1);
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        long long exponent = 0;
        for (; i < text.size(); ++i) exponent = std::min(exponent * 10 + (text[i] - '0'), 1LL << 40);
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

// The powers of ten a double holds exactly.
constexpr double kExactTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The nearest double of a number whose digits, read as one whole number,
// are below 2^53 and whose power of ten is within 10^22 either way: both
// are exact doubles, so their one product or quotient is the nearest
// double, the same value a full conversion gives. False for any other
// number, which the full conversion takes. `text` has JSON's form.
bool ExactlyScaled(std::string_view text, double& value) {
    constexpr std::uint64_t kExactWhole = std::uint64_t(1) << 53;
    std::size_t i = text.front() == '-' ? 1 : 0;
    std::uint64_t digits = 0;
    int scale = 0;
    bool fraction = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        if (digits >= kExactWhole) return false;
        if (fraction) --scale;
    }
    if (i < text.size()) {  // an exponent
        ++i;
        const bool negative = text[i] == '-';
        if (text[i] == '-' || text[i] == '+') ++i;
        int exponent = 0;
        for (; i < text.size(); ++i) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > 400) return false;
        }
        scale += negative ? -exponent : exponent;
    }
    if (scale < -22 || scale > 22) return false;
    const double whole = static_cast<double>(digits);
    const double scaled = scale < 0 ? whole / kExactTens[-scale] : whole * kExactTens[scale];
    value = text.front() == '-' ? -scaled : scaled;
    return true;
}

}  // namespace

bool JsonNumber::ToDouble(double& value) const {
    if (ExactlyScaled(text, value)) return true;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc()) return true;
    // Out of range: below the smallest double (zero) or beyond the largest.
    if (Magnitude(text) >= 0) return false;
    value = text.front() == '-' ? -0.0 : 0.0;
    return true;
}

bool JsonNumber::ToInteger(long long& value) const {
    if (!integer) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace brindle::host
