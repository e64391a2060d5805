// How positions are turned between up axes, as the host's marker files turn
// them: Y-up (x, y, z) stands Z-up as (x, -z, y), and Z-up (x, y, z) stands
// Y-up as (x, z, -y). The one turn every conversion and writer makes.
#pragma once

#include "tovfileio/text/FileKinds.h"

namespace tovfileio {

// Turns (x, y, z) from standing along `from` to standing along `to`; a NaN
// stays a NaN.
inline void TurnUp(double& x, double& y, double& z, UpAxis from, UpAxis to) {
    if (from == to) return;
    const double sign = to == UpAxis::kZ ? 1.0 : -1.0;
    const double oldY = y;
    y = -sign * z;
    z = sign * oldY;
    static_cast<void>(x);
}

}  // namespace tovfileio
