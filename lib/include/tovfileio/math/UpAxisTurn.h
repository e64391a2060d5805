// Positions stand up along Y (HTR, TRC and BVH files) or along Z (the host,
// GWM and C3D files). The one turn between the two that every format and
// the host's import make: Y-up (x, y, z) stands Z-up as (x, -z, y), and
// Z-up (x, y, z) stands Y-up as (x, z, -y). Exact: only signs and places
// change, so a NaN stays a NaN.
#pragma once

#include <array>

namespace tovfileio {

template <typename T>
constexpr std::array<T, 3> YUpToZUp(T x, T y, T z) {
    return {x, -z, y};
}

template <typename T>
constexpr std::array<T, 3> ZUpToYUp(T x, T y, T z) {
    return {x, z, -y};
}

}  // namespace tovfileio
