// Euler axis orders and the process-wide default order.
//
// An order code packs four fields, lowest bit first:
//   bit 0     frame       0 static axes, 1 rotating axes
//   bit 1     repetition  0 three different axes, 1 first axis repeated last
//   bit 2     parity      0 even, 1 odd
//   bits 3-4  first axis  0, 1 or 2
// Codes 0 to 23 are the valid orders. Code 0 turns about static X by the
// first angle, then static Y, then static Z: the same rotation as Z, Y, X
// about rotating axes, which HTR files call "ZYX".
#pragma once

#include <cstdint>

namespace tovfileio {

class TOVEulerOrder {
public:
    // Axis indices (0 X, 1 Y, 2 Z) and flags decoded from a code.
    struct Axes {
        int i;  // axis of the first angle
        int j;  // axis of the second angle
        int k;  // the remaining axis
        bool rotatingFrame;
        bool repeatsFirstAxis;
        bool oddParity;
    };

    static constexpr std::uint32_t kValidCodes = 24;

    constexpr TOVEulerOrder() = default;
    constexpr explicit TOVEulerOrder(std::uint32_t orderCode) : code(orderCode) {}

    constexpr Axes Decode() const {
        constexpr int kSafe[4] = {0, 1, 2, 0};
        constexpr int kNext[4] = {1, 2, 0, 1};
        const bool odd = ((code >> 2) & 1u) != 0;
        const int i = kSafe[(code >> 3) & 3u];
        const int j = kNext[i + (odd ? 1 : 0)];
        const int k = kNext[i + 1 - (odd ? 1 : 0)];
        return Axes{i, j, k, (code & 1u) != 0, ((code >> 1) & 1u) != 0, odd};
    }

    constexpr bool operator==(const TOVEulerOrder& other) const { return code == other.code; }

    std::uint32_t code = 0;
};

// The one order every Euler rotation built without an explicit order takes.
// It starts as code 0 and changes only through SetDefaultOrder.
inline TOVEulerOrder& TOVProcessDefaultEulerOrder() {
    static TOVEulerOrder defaultOrder{0};
    return defaultOrder;
}

}  // namespace tovfileio
