// How the numbers of a scene document become the host's floats, wherever in
// the document they stand.
#pragma once

#include <cmath>
#include <limits>

namespace brindle::host {

// The float nearest `number`; false when it is too large for one: beyond the
// largest float by half its last step or more, where it rounds to infinity.
// Numbers closer than that take the largest float.
inline bool FloatOf(double number, float& value) {
    constexpr double kLimit = 3.4028235677973366e38;
    constexpr float kLargest = std::numeric_limits<float>::max();
    if (!(std::fabs(number) < kLimit)) return false;
    if (std::fabs(number) > kLargest) {
        value = number > 0 ? kLargest : -kLargest;
    } else {
        value = static_cast<float>(number);
    }
    return true;
}

}  // namespace brindle::host
