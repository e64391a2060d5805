#include "tovfileio/text/FixedNumber.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tovfileio {

namespace tovtext {
namespace {

// The 128-bit integer of GCC and clang, for the exact product below.
__extension__ using Uint128 = unsigned __int128;

constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};
constexpr int kMostExactDecimals = 9;
constexpr double kLargestExact = 1e9;

// "00" to "99", so two digits take one copy.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes exactly `count` digits of `value` (below 10^count), leading zeros
// included, and returns the end.
char* WriteDigits(char* out, std::uint64_t value, int count) {
    char* const end = out + count;
    char* p = end;
    while (p - out >= 2) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (p != out)
        *out = static_cast<char>('0' + value);
    return end;
}

// WriteDigits for a count known when compiled: the pairs come out of
// straight-line code.
template <int kCount>
char* WriteDigitsOf(char* out, std::uint64_t value) {
    char* p = out + kCount;
    for (int left = kCount; left >= 2; left -= 2) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if constexpr (kCount % 2 != 0) *out = static_cast<char>('0' + value);
    return out + kCount;
}

// The digits of `value` (below 10^9, as the integer part of an exact fixed
// number is), without leading zeros ("0" for 0).
char* WriteInteger(char* out, std::uint64_t value) {
    if (value < 10) return WriteDigitsOf<1>(out, value);
    if (value < 100) return WriteDigitsOf<2>(out, value);
    if (value < 1000) return WriteDigitsOf<3>(out, value);
    if (value < 10000) return WriteDigitsOf<4>(out, value);
    int count = 5;
    for (std::uint64_t bound = 100000; count < 20 && value >= bound; bound *= 10) ++count;
    return WriteDigits(out, value, count);
}

// `magnitude` (below 10^9, not negative) times 10^kDecimals, rounded half
// to even. magnitude = mantissa * 2^-shift exactly; times 10^kDecimals it
// stays below 2^30 * 2^53, so the product and its rounding are exact in 128
// bits.
template <int kDecimals>
std::uint64_t ScaledExactly(double magnitude) {
    constexpr std::uint64_t kScale = kPowersOfTen[kDecimals];
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int shift = 1074;  // subnormals: mantissa * 2^-1074
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        shift = 1075 - biased;  // at least 1075 - 1053 = 22, as magnitude < 2^30
    }
    // Beyond 83 the product is below 2^83 and so below half a unit: zero.
    if (shift >= 84) return 0;
    const Uint128 product = static_cast<Uint128>(mantissa) * kScale;
    std::uint64_t scaled = static_cast<std::uint64_t>(product >> shift);
    const Uint128 rest = product & ((Uint128{1} << shift) - 1);
    const Uint128 half = Uint128{1} << (shift - 1);
    if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
    return scaled;
}

// The exact path for a fixed number of decimals, known when compiled so
// that the divisions by its power of ten become multiplications.
template <int kDecimals>
char* WriteExact(char* out, double value) {
    constexpr std::uint64_t kScale = kPowersOfTen[kDecimals];
    if (std::signbit(value)) *out++ = '-';
    const std::uint64_t scaled = ScaledExactly<kDecimals>(std::fabs(value));
    out = WriteInteger(out, scaled / kScale);
    if constexpr (kDecimals == 0) {
        return out;
    } else {
        *out++ = '.';
        return WriteDigitsOf<kDecimals>(out, scaled % kScale);
    }
}

template <std::size_t... kDecimals>
char* WriteExactAny(char* out, double value, int decimals, std::index_sequence<kDecimals...>) {
    using Writer = char* (*)(char*, double);
    static constexpr Writer kWriters[] = {&WriteExact<static_cast<int>(kDecimals)>...};
    return kWriters[decimals](out, value);
}

}  // namespace

char* WriteFixed(char* out, double value, int decimals) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < kLargestExact) || decimals < 0 || decimals > kMostExactDecimals) {
        return std::to_chars(out, out + kFixedRoom, value, std::chars_format::fixed, decimals).ptr;
    }
    // The writers' common case first, without the table.
    if (decimals == 6) return WriteExact<6>(out, value);
    return WriteExactAny(out, value, decimals,
                         std::make_index_sequence<kMostExactDecimals + 1>());
}

}  // namespace tovtext

}  // namespace tovfileio
