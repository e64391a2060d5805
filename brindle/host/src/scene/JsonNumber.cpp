#include <charconv>

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

}  // namespace

bool JsonNumber::ToDouble(double& value) const {
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
