// The host's single-precision geometry.
#include "brindle/sdk/Geometry.h"

#include "brindle/host/scene/PreciseMatrix.h"

#include <cfloat>
#include <cmath>

Matrix3::Matrix3() : rows_{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}} {}

Matrix3::Matrix3(const Point3& row0, const Point3& row1, const Point3& row2, const Point3& row3)
    : rows_{row0, row1, row2, row3} {}

bool Matrix3::operator==(const Matrix3& other) const {
    for (int r = 0; r < 4; ++r) {
        if (!(rows_[r] == other.rows_[r])) return false;
    }
    return true;
}

Matrix3 operator*(const Matrix3& a, const Matrix3& b) {
    // Each element is summed in double and rounded once.
    Matrix3 product;
    for (int r = 0; r < 4; ++r) {
        Point3 row;
        for (int c = 0; c < 3; ++c) {
            double sum = double(a[r][0]) * b[0][c] + double(a[r][1]) * b[1][c] +
                         double(a[r][2]) * b[2][c];
            if (r == 3) sum += b[3][c];
            row[c] = static_cast<float>(sum);
        }
        product[r] = row;
    }
    return product;
}

namespace {

// p * m summed in double; with `translate` the translation row is added.
Point3 Transform(const Matrix3& m, const Point3& p, bool translate) {
    Point3 result;
    for (int c = 0; c < 3; ++c) {
        double sum = double(p.x) * m[0][c] + double(p.y) * m[1][c] + double(p.z) * m[2][c];
        if (translate) sum += m[3][c];
        result[c] = static_cast<float>(sum);
    }
    return result;
}

}  // namespace

Point3 VectorTransform(const Matrix3& m, const Point3& p) { return Transform(m, p, false); }

Point3 operator*(const Point3& p, const Matrix3& m) { return Transform(m, p, true); }

Matrix3 Inverse(const Matrix3& m) {
    // The 3x3 part by its adjugate, worked in double; the translation follows.
    double a[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) a[r][c] = m[r][c];
    }
    const double c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    const double c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    const double c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    const double det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    if (det == 0.0 || !std::isfinite(det)) return Matrix3();
    const double inv[3][3] = {
        {c00 / det, (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det,
         (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det},
        {c01 / det, (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det,
         (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det},
        {c02 / det, (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det,
         (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det},
    };
    Matrix3 result;
    for (int r = 0; r < 3; ++r) {
        result[r] = Point3(static_cast<float>(inv[r][0]), static_cast<float>(inv[r][1]),
                           static_cast<float>(inv[r][2]));
    }
    Point3 t;
    for (int c = 0; c < 3; ++c) {
        t[c] = static_cast<float>(-(m[3].x * inv[0][c] + m[3].y * inv[1][c] + m[3].z * inv[2][c]));
    }
    result.SetTrans(t);
    return result;
}

Matrix3 TransMatrix(const Point3& p) {
    Matrix3 m;
    m.SetTrans(p);
    return m;
}

Matrix3 ScaleMatrix(const Point3& s) {
    return Matrix3(Point3(s.x, 0, 0), Point3(0, s.y, 0), Point3(0, 0, s.z), Point3());
}

namespace brindle::host {

bool QuatRows(const Quat& quat, double m[3][3]) {
    double x = quat.x, y = quat.y, z = quat.z, w = quat.w;
    const double norm = std::sqrt(x * x + y * y + z * z + w * w);
    if (norm == 0.0 || !std::isfinite(norm)) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) m[r][c] = r == c ? 1.0 : 0.0;
        }
        return false;
    }
    x /= norm;
    y /= norm;
    z /= norm;
    w /= norm;
    m[0][0] = 1 - 2 * (y * y + z * z);
    m[0][1] = 2 * (x * y - z * w);
    m[0][2] = 2 * (x * z + y * w);
    m[1][0] = 2 * (x * y + z * w);
    m[1][1] = 1 - 2 * (x * x + z * z);
    m[1][2] = 2 * (y * z - x * w);
    m[2][0] = 2 * (x * z - y * w);
    m[2][1] = 2 * (y * z + x * w);
    m[2][2] = 1 - 2 * (x * x + y * y);
    return true;
}

PreciseMatrix PreciseMatrix::FromParts(const Point3& scale, const Quat& rotation,
                                       const Point3& translation) {
    PreciseMatrix result;
    double r[3][3];
    QuatRows(rotation, r);
    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < 3; ++c) result.m[row][c] = double(scale[row]) * r[row][c];
    }
    result.m[3][0] = translation.x;
    result.m[3][1] = translation.y;
    result.m[3][2] = translation.z;
    return result;
}

Matrix3 PreciseMatrix::Rounded() const {
    Matrix3 result;
    for (int r = 0; r < 4; ++r) {
        result[r] = Point3(static_cast<float>(m[r][0]), static_cast<float>(m[r][1]),
                           static_cast<float>(m[r][2]));
    }
    return result;
}

PreciseMatrix operator*(const PreciseMatrix& a, const PreciseMatrix& b) {
    PreciseMatrix p;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            p.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] +
                        (r == 3 ? b.m[3][c] : 0.0);
        }
    }
    return p;
}

}  // namespace brindle::host

using brindle::host::QuatRows;

Matrix3 QuatMatrix(const Quat& quat) {
    double m[3][3];
    if (!QuatRows(quat, m)) return Matrix3();
    Matrix3 result;
    for (int r = 0; r < 3; ++r) {
        result[r] = Point3(static_cast<float>(m[r][0]), static_cast<float>(m[r][1]),
                           static_cast<float>(m[r][2]));
    }
    return result;
}

Quat MatrixQuat(const Matrix3& m) {
    const double m00 = m[0][0], m01 = m[0][1], m02 = m[0][2];
    const double m10 = m[1][0], m11 = m[1][1], m12 = m[1][2];
    const double m20 = m[2][0], m21 = m[2][1], m22 = m[2][2];
    const double trace = m00 + m11 + m22;
    double x, y, z, w;
    if (trace > 0) {
        const double s = 0.5 / std::sqrt(trace + 1.0);
        w = 0.25 / s;
        x = (m21 - m12) * s;
        y = (m02 - m20) * s;
        z = (m10 - m01) * s;
    } else if (m00 > m11 && m00 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
        w = (m21 - m12) / s;
        x = 0.25 * s;
        y = (m01 + m10) / s;
        z = (m02 + m20) / s;
    } else if (m11 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
        w = (m02 - m20) / s;
        x = (m01 + m10) / s;
        y = 0.25 * s;
        z = (m12 + m21) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
        w = (m10 - m01) / s;
        x = (m02 + m20) / s;
        y = (m12 + m21) / s;
        z = 0.25 * s;
    }
    return Quat(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                static_cast<float>(w));
}

void DecomposeMatrix(const Matrix3& m, Point3& position, Quat& rotation, Point3& scale) {
    position = m.GetTrans();
    Matrix3 unit;
    for (int r = 0; r < 3; ++r) {
        const Point3 row = m[r];
        double length = std::sqrt(double(row.x) * row.x + double(row.y) * row.y +
                                  double(row.z) * row.z);
        // Rows of a rotation rounded to single precision are of unit length
        // within a few units of the last place: that is no scale.
        if (std::fabs(length - 1.0) <= 8.0 * FLT_EPSILON) length = 1.0;
        scale[r] = static_cast<float>(length);
        unit[r] = length > 0 ? Point3(static_cast<float>(row.x / length),
                                      static_cast<float>(row.y / length),
                                      static_cast<float>(row.z / length))
                             : Point3();
    }
    // A mirroring matrix keeps a proper rotation and negative scales.
    const Point3 a = unit[0], b = unit[1], c = unit[2];
    const double det = a.x * (double(b.y) * c.z - double(b.z) * c.y) -
                       a.y * (double(b.x) * c.z - double(b.z) * c.x) +
                       a.z * (double(b.x) * c.y - double(b.y) * c.x);
    if (det < 0) {
        for (int r = 0; r < 3; ++r) {
            scale[r] = -scale[r];
            unit[r] = Point3(-unit[r].x, -unit[r].y, -unit[r].z);
        }
    }
    rotation = MatrixQuat(unit);
}

void QuatToEuler(const Quat& q, float* angles) {
    // With M = X(a) * Y(b) * Z(c): M[0][2] = -sin b, M[1][2] = sin a cos b,
    // M[2][2] = cos a cos b, M[0][1] = cos b sin c, M[0][0] = cos b cos c.
    double m[3][3];
    if (!QuatRows(q, m)) {
        angles[0] = angles[1] = angles[2] = 0.0f;
        return;
    }
    const double cb = std::hypot(m[0][0], m[0][1]);
    angles[1] = static_cast<float>(std::atan2(-m[0][2], cb));
    if (cb > 1e-9) {
        angles[0] = static_cast<float>(std::atan2(m[1][2], m[2][2]));
        angles[2] = static_cast<float>(std::atan2(m[0][1], m[0][0]));
    } else {
        // Gimbal lock: a and c turn about one axis; c takes all of it.
        angles[0] = 0.0f;
        angles[2] = static_cast<float>(std::atan2(-m[1][0], m[1][1]));
    }
}

void EulerToQuat(const float* angles, Quat& q) {
    const double a = angles[0], b = angles[1], c = angles[2];
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    const double cc = std::cos(c), sc = std::sin(c);
    auto f = [](double v) { return static_cast<float>(v); };
    const Matrix3 m(Point3(f(cb * cc), f(cb * sc), f(-sb)),
                    Point3(f(sa * sb * cc - ca * sc), f(sa * sb * sc + ca * cc), f(sa * cb)),
                    Point3(f(ca * sb * cc + sa * sc), f(ca * sb * sc - sa * cc), f(ca * cb)),
                    Point3());
    q = MatrixQuat(m);
}
