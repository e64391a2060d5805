// How positions are turned between up axes, as the host's marker files turn
// them: Y-up (x, y, z) stands Z-up as (x, -z, y), and Z-up (x, y, z) stands
// Y-up as (x, z, -y). The one turn every conversion and writer makes.
#pragma once

#include <array>

#include "tovfileio/math/UpAxisTurn.h"
#include "tovfileio/text/FileKinds.h"

namespace tovfileio {

// Turns (x, y, z) from standing along `from` to standing along `to`
// (UpAxisTurn.h); a NaN stays a NaN.
inline void TurnUp(double& x, double& y, double& z, UpAxis from, UpAxis to) {
    if (from == to) return;
    const std::array<double, 3> turned = to == UpAxis::kZ ? YUpToZUp(x, y, z) : ZUpToYUp(x, y, z);
    x = turned[0];
    y = turned[1];
    z = turned[2];
}

}  // namespace tovfileio
