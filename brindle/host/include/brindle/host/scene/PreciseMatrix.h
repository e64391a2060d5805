// The scene's own matrix arithmetic: transforms composed in double and
// rounded to the SDK's single-precision Matrix3 once, at the end, so that a
// chain of parents costs one rounding instead of one per link.
#pragma once

#include "brindle/sdk/Geometry.h"

namespace brindle::host {

struct PreciseMatrix {
    double m[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};

    // Scale, then rotation, then translation (row vectors).
    static PreciseMatrix FromParts(const Point3& scale, const Quat& rotation,
                                   const Point3& translation);
    Matrix3 Rounded() const;
};

// a * b: first a, then b.
PreciseMatrix operator*(const PreciseMatrix& a, const PreciseMatrix& b);

// The rotation matrix of a host quaternion, normalised first; false (and the
// identity) for a quaternion of zero or undefined length.
bool QuatRows(const Quat& quat, double m[3][3]);

}  // namespace brindle::host
