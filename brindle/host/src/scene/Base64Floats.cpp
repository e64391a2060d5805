#include "brindle/host/scene/Base64Floats.h"

#include <array>
#include <bit>
#include <cstdint>

namespace brindle::host {
namespace {

constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of each base64 digit; 0xFF for every other byte.
constexpr std::array<std::uint8_t, 256> kValues = [] {
    std::array<std::uint8_t, 256> values{};
    values.fill(0xFF);
    for (std::uint8_t i = 0; i < 64; ++i) values[static_cast<unsigned char>(kDigits[i])] = i;
    return values;
}();

// Floats held in memory in the document's byte order (least significant
// first) or back.
void SwapIfBigEndian(float* values, std::size_t count) {
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < count; ++i) {
            auto bits = std::bit_cast<std::uint32_t>(values[i]);
            bits = (bits >> 24) | ((bits >> 8) & 0xFF00) | ((bits << 8) & 0xFF0000) | (bits << 24);
            values[i] = std::bit_cast<float>(bits);
        }
    } else {
        (void)values;
        (void)count;
    }
}

}  // namespace

void AppendBase64Floats(std::string& out, const float* values, std::size_t count) {
    std::vector<float> swapped;
    if constexpr (std::endian::native == std::endian::big) {
        swapped.assign(values, values + count);
        SwapIfBigEndian(swapped.data(), count);
        values = swapped.data();
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(values);
    const std::size_t size = 4 * count;
    std::size_t at = out.size();
    out.resize(at + (size + 2) / 3 * 4);
    char* text = out.data();
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const std::uint32_t triple = (std::uint32_t{bytes[i]} << 16) |
                                     (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        text[at++] = kDigits[triple >> 18];
        text[at++] = kDigits[(triple >> 12) & 63];
        text[at++] = kDigits[(triple >> 6) & 63];
        text[at++] = kDigits[triple & 63];
    }
    if (i < size) {
        const bool two = i + 2 == size;
        const std::uint32_t triple =
            (std::uint32_t{bytes[i]} << 16) | (two ? std::uint32_t{bytes[i + 1]} << 8 : 0);
        text[at++] = kDigits[triple >> 18];
        text[at++] = kDigits[(triple >> 12) & 63];
        text[at++] = two ? kDigits[(triple >> 6) & 63] : '=';
        text[at++] = '=';
    }
}

bool AppendFloatsFromBase64(std::string_view text, std::vector<float>& values) {
    if (text.size() % 4 != 0) return false;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') {
        ++padding;
    }
    const std::size_t size = text.size() / 4 * 3 - padding;
    if (size % 4 != 0) return false;
    const std::size_t first = values.size();
    values.resize(first + size / 4);
    // The bytes go straight into the floats' memory, in the document's
    // order, and are put in the machine's order after.
    auto* out = reinterpret_cast<unsigned char*>(values.data() + first);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t digits = text.size() - padding;
    std::uint8_t bad = 0;
    std::size_t i = 0;
    for (; i + 4 <= digits; i += 4) {
        const std::uint8_t a = kValues[in[i]], b = kValues[in[i + 1]], c = kValues[in[i + 2]],
                           d = kValues[in[i + 3]];
        bad |= a | b | c | d;
        const std::uint32_t triple = (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) |
                                     (std::uint32_t{c} << 6) | d;
        *out++ = static_cast<unsigned char>(triple >> 16);
        *out++ = static_cast<unsigned char>(triple >> 8);
        *out++ = static_cast<unsigned char>(triple);
    }
    if (i < digits) {
        // The last group, two or three digits before its padding.
        std::uint32_t triple = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::uint8_t digit = i + k < digits ? kValues[in[i + k]] : 0;
            bad |= digit;
            triple = (triple << 6) | (digit & 63);
        }
        for (std::size_t k = 0; k + padding < 3; ++k) {
            *out++ = static_cast<unsigned char>(triple >> (16 - 8 * k));
        }
    }
    if (bad & 0x80) {
        values.resize(first);
        return false;
    }
    SwapIfBigEndian(values.data() + first, size / 4);
    return true;
}

}  // namespace brindle::host
