#include "text/FixedNumber.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

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

}  // namespace

char* WriteFixed(char* out, double value, int decimals) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < kLargestExact) || decimals < 0 || decimals > kMostExactDecimals) {
        return std::to_chars(out, out + kFixedRoom, value, std::chars_format::fixed, decimals).ptr;
    }
    if (std::signbit(value))
        *out++ = '-';
    // magnitude = mantissa * 2^-shift exactly; times 10^decimals it stays
    // below 2^30 * 2^53, so the product and its rounding are exact in 128 bits.
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int shift = 1074;  // subnormals: mantissa * 2^-1074
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        shift = 1075 - biased;  // at least 1075 - 1053 = 22, as magnitude < 2^30
    }
    const std::uint64_t scale = kPowersOfTen[decimals];
    std::uint64_t scaled = 0;  // magnitude * 10^decimals, rounded half to even
    if (shift < 84) {
        const Uint128 product = static_cast<Uint128>(mantissa) * scale;
        scaled = static_cast<std::uint64_t>(product >> shift);
        const Uint128 rest = product & ((Uint128{1} << shift) - 1);
        const Uint128 half = Uint128{1} << (shift - 1);
        if (rest > half || (rest == half && (scaled & 1) != 0))
            ++scaled;
    }
    // Beyond 83 the product is below 2^83 and so below half a unit: zero.
    const std::uint64_t integer = scaled / scale;
    out = std::to_chars(out, out + kFixedRoom, integer).ptr;
    if (decimals == 0)
        return out;
    *out++ = '.';
    return WriteDigits(out, scaled % scale, decimals);
}

}  // namespace tovtext
