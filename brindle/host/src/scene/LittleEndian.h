// Numbers as the binary scene document stores them: little-endian, floats
// by their IEEE 754 bits. Assembled byte by byte so that the bytes mean the
// same on any machine; compilers turn each into one load or store.
#pragma once

#include <bit>
#include <cstdint>

namespace brindle::host {

inline std::uint32_t LoadU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t LoadU64(const unsigned char* p) {
    return static_cast<std::uint64_t>(LoadU32(p)) | static_cast<std::uint64_t>(LoadU32(p + 4)) << 32;
}
inline std::int32_t LoadI32(const unsigned char* p) {
    return static_cast<std::int32_t>(LoadU32(p));
}
inline float LoadF32(const unsigned char* p) { return std::bit_cast<float>(LoadU32(p)); }
inline double LoadF64(const unsigned char* p) { return std::bit_cast<double>(LoadU64(p)); }

inline void StoreU32(unsigned char* p, std::uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}
inline void StoreU64(unsigned char* p, std::uint64_t value) {
    StoreU32(p, static_cast<std::uint32_t>(value));
    StoreU32(p + 4, static_cast<std::uint32_t>(value >> 32));
}
inline void StoreI32(unsigned char* p, std::int32_t value) {
    StoreU32(p, static_cast<std::uint32_t>(value));
}
inline void StoreF32(unsigned char* p, float value) { StoreU32(p, std::bit_cast<std::uint32_t>(value)); }
inline void StoreF64(unsigned char* p, double value) {
    StoreU64(p, std::bit_cast<std::uint64_t>(value));
}

}  // namespace brindle::host
