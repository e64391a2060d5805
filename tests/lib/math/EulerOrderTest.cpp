// Euler orders named by their turns: the codes HTR's order names have always
// had, and the axes read back from them.
#include <array>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tovfileio/math/TOVEulerOrder.h"

using namespace tovfileio;

namespace {

TEST(EulerOrder, TurningGivesTheKnownCodesAndReadsBackItsAxes) {
    struct Case {
        const char* turns;  // the axes of the angles, first to last
        TOVTurnAxes axes;
        std::uint32_t code;
    };
    // The six HTR order names turn about moving axes; fixed X, Y, Z is the
    // code 0 every reader and writer uses.
    const Case cases[] = {
        {"XYZ", TOVTurnAxes::kMoving, 21}, {"XZY", TOVTurnAxes::kMoving, 9},
        {"YXZ", TOVTurnAxes::kMoving, 17}, {"YZX", TOVTurnAxes::kMoving, 5},
        {"ZXY", TOVTurnAxes::kMoving, 13}, {"ZYX", TOVTurnAxes::kMoving, 1},
        {"XYZ", TOVTurnAxes::kFixed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.turns) + (c.axes == TOVTurnAxes::kMoving ? " moving" : " fixed"));
        const TOVEulerOrder order =
            TOVEulerOrder::Turning(c.turns[0] - 'X', c.turns[1] - 'X', c.turns[2] - 'X', c.axes);
        EXPECT_EQ(order.code, c.code);
        const std::array<int, 3> back = order.AngleAxes();
        const std::string name{char('X' + back[0]), char('X' + back[1]), char('X' + back[2])};
        EXPECT_EQ(name, c.turns);
        EXPECT_EQ(order.TurnAxes(), c.axes);
    }
}

}  // namespace
