// From the HTR file's axes (Y up) to the host's (Z up), for translations and
// rotations of the root segment and of every other segment.
#pragma once

#include "brindle/sdk/Geometry.h"
#include "plugin/HtrAxes.h"

namespace htrimport {

using htraxes::AxisM1;
using htraxes::EulerMatrix;
using htraxes::Matrix;
using htraxes::Product;

// M2 is the extra turn of the root segment.
inline Matrix AxisM2() {
    return Product(EulerMatrix(tovfileio::kTOVPi, 0, 0), EulerMatrix(0, -tovfileio::kTOVPi / 2, 0));
}

// A translation in the host's axes: (x, -z, y) for the root, (y, z, x) for
// every other segment.
inline Point3 HostTranslation(const tovfileio::TOVVector3<double>& t, bool root) {
    return root ? Point3(static_cast<float>(t.x()), static_cast<float>(-t.z()),
                         static_cast<float>(t.y()))
                : Point3(static_cast<float>(t.y()), static_cast<float>(t.z()),
                         static_cast<float>(t.x()));
}

// The rotation R in the host's axes: M1 * R * M1^T, times M2 for the root.
// The constant matrices are built once by the caller.
struct RotationChange {
    Matrix m1 = AxisM1();
    Matrix m1t = AxisM1().Transposed();
    Matrix m2 = AxisM2();

    Matrix operator()(const Matrix& r, bool root) const {
        const Matrix q = Product(Product(m1, r), m1t);
        return root ? Product(q, m2) : q;
    }
};

// The host's form of a quaternion of the math library: (x, y, z, -w).
inline Quat HostQuaternion(const tovfileio::TOVQuaternion<double>& q) {
    return Quat(static_cast<float>(q.x()), static_cast<float>(q.y()), static_cast<float>(q.z()),
                static_cast<float>(-q.w()));
}

}  // namespace htrimport
