// The numbers of a C3D file in the byte order and floating-point form its
// processor type gives: 84 Intel (little-endian IEEE), 85 DEC (little-endian
// integers, VAX F floats), 86 MIPS (big-endian IEEE).
#pragma once

#include <cstdint>
#include <cstring>

namespace tovfileio::c3dbytes {

enum class Processor : std::uint8_t { kIntel = 84, kDec = 85, kMips = 86 };

inline std::uint16_t U16(Processor p, const unsigned char* b) {
    return p == Processor::kMips ? static_cast<std::uint16_t>(b[0] << 8 | b[1])
                                 : static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

inline std::int16_t I16(Processor p, const unsigned char* b) {
    return static_cast<std::int16_t>(U16(p, b));
}

// A VAX F float is an IEEE single with its 16-bit halves swapped, an
// exponent bias of 128 and the binary point before the hidden bit: the
// same bits read as IEEE are four times its value. An exponent of 0 is 0
// (the DEC form has no denormals).
inline float F32(Processor p, const unsigned char* b) {
    std::uint32_t bits;
    switch (p) {
        case Processor::kIntel: std::memcpy(&bits, b, 4); break;
        case Processor::kMips:
            bits = std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                   std::uint32_t{b[2]} << 8 | b[3];
            break;
        default:
            bits = std::uint32_t{b[2]} | std::uint32_t{b[3]} << 8 | std::uint32_t{b[0]} << 16 |
                   std::uint32_t{b[1]} << 24;
            if ((bits & 0x7f800000u) == 0) return 0.0f;
            {
                float value;
                std::memcpy(&value, &bits, 4);
                return value / 4.0f;
            }
    }
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

}  // namespace tovfileio::c3dbytes
