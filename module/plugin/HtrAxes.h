// The HTR file's axes (Y up) and the host's (Z up): the rotation algebra
// the importer turns one way and the exporter the other.
#pragma once

#include "tovfileio/math/TOVRotation.h"

namespace htraxes {

using Matrix = tovfileio::TOVRotationMatrix3<double>;

// P * Q with element (r, c) = sum over k of P[r][k] * Q[k][c].
inline Matrix Product(const Matrix& p, const Matrix& q) { return q.Multiply(p); }

// The rotation matrix of the angles (a, b, c) in the default Euler order.
inline Matrix EulerMatrix(double a, double b, double c) {
    return Matrix(tovfileio::TOVEulerRotation<double>(a, b, c));
}

// M1 turns the file's axes into the host's: x becomes z, y becomes x and z
// becomes y.
inline Matrix AxisM1() {
    return Product(EulerMatrix(tovfileio::kTOVPi / 2, 0, 0),
                   EulerMatrix(0, 0, tovfileio::kTOVPi / 2));
}

}  // namespace htraxes
