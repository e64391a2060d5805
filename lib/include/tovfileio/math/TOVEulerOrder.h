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
//
// TOVEulerOrder::Turning names an order by its turns instead of its bits,
// and AngleAxes reads the turns back.
#pragma once

#include <array>
#include <cstdint>

namespace tovfileio {

// The axes an order's second and third turns are about: the fixed axes of
// the space, or the axes as the turns before them left them.
enum class TOVTurnAxes { kFixed, kMoving };

class TOVEulerOrder {
public:
    // Axis indices (0 X, 1 Y, 2 Z) and flags decoded from a code. The axes
    // are those of the order's fixed-axes reading; with rotating axes its
    // angles run the other way, the first about the last of them.
    struct Axes {
        int i;  // axis of the first fixed-axes angle
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

    // The order that turns by the first angle about axis `first`, then by
    // the second about `second`, then by the third about `third` (0 X, 1 Y,
    // 2 Z), each about the axes `axes` says. `second` differs from the other
    // two; `third` is either the remaining axis or `first` again.
    static constexpr TOVEulerOrder Turning(int first, int second, int third, TOVTurnAxes axes) {
        const bool moving = axes == TOVTurnAxes::kMoving;
        // Turns about the moving axes a, b, c are the turns about the fixed
        // axes c, b, a; the code names that fixed order.
        const int fixedFirst = moving ? third : first;
        const bool odd = second != (fixedFirst + 1) % 3;
        return TOVEulerOrder((static_cast<std::uint32_t>(fixedFirst) << 3) | (odd ? 4u : 0u) |
                             (first == third ? 2u : 0u) | (moving ? 1u : 0u));
    }

    // The axis of each angle, first to last, about the axes of TurnAxes():
    // what Turning was given.
    constexpr std::array<int, 3> AngleAxes() const {
        const Axes a = Decode();
        const int last = a.repeatsFirstAxis ? a.i : a.k;
        if (a.rotatingFrame) return {last, a.j, a.i};
        return {a.i, a.j, last};
    }

    constexpr TOVTurnAxes TurnAxes() const {
        return (code & 1u) != 0 ? TOVTurnAxes::kMoving : TOVTurnAxes::kFixed;
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
