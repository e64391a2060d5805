// Eight bytes of JSON text tested at once: the reader passing a string's
// plain bytes and an indent's spaces, the writer telling whether a key or
// string needs escapes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace brindle::host::jsonbytes {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHigh = 0x8080808080808080ULL;

// Eight bytes from `p` as one word, the first in its lowest byte.
inline std::uint64_t Word(const void* p) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, 8);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    return w;
}

// The high bit of each byte of `w` that is zero. Only the lowest marked
// byte is certain (a borrow may mark bytes above it), which is the one the
// callers want.
constexpr std::uint64_t ZeroBytes(std::uint64_t w) { return (w - kOnes) & ~w & kHigh; }

// The high bit of each byte of `w` that is not zero, every byte told on
// its own.
constexpr std::uint64_t NonZeroBytes(std::uint64_t w) {
    return (((w & ~kHigh) + ~kHigh) | w) & kHigh;
}

// The bytes a JSON string cannot hold as they are: control characters,
// quotes and backslashes (marked as ZeroBytes marks). With `nonAscii`, also
// every byte from 0x80 on.
constexpr std::uint64_t EscapedBytes(std::uint64_t w, bool nonAscii) {
    return ((w - 0x20 * kOnes) & ~w & kHigh) | ZeroBytes(w ^ ('"' * kOnes)) |
           ZeroBytes(w ^ ('\\' * kOnes)) | (nonAscii ? w & kHigh : 0);
}

// The place of the lowest byte marked in a mask of high bits.
inline std::size_t FirstMarked(std::uint64_t marks) {
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

// The length of the run of `text` from its start that a JSON string holds
// as it is: every byte but control characters, quotes and backslashes.
inline std::size_t UnescapedRun(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        const std::uint64_t marks = EscapedBytes(Word(text.data() + i), false);
        if (marks != 0) return i + FirstMarked(marks);
    }
    // The last bytes as the word that ends the text: the bytes it shares
    // with the words before are plain, so its lowest mark is in the rest.
    if (i < text.size() && text.size() >= 8) {
        const std::size_t last = text.size() - 8;
        const std::uint64_t marks = EscapedBytes(Word(text.data() + last), false);
        return marks != 0 ? last + FirstMarked(marks) : text.size();
    }
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == '"' || c == '\\') break;
        ++i;
    }
    return i;
}

}  // namespace brindle::host::jsonbytes
