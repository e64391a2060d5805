// Rotations as Euler angles, 3x3 matrices and quaternions, and the
// conversions between them. All angles are radians.
//
// The Euler conversions use the classic order encoding of TOVEulerOrder, its
// axis tables and a fixed singularity threshold. Matrices are stored for row
// vectors: a point p turns as p * M, and M is the transpose S^T of the
// column-vector matrix S in which the conversion formulas are written. So
// M[r][c] = S[c][r], and for order code 0 the stored matrix is
// X(x) * Y(y) * Z(z) of the row-vector elementary rotations.
//
// The three rotation types are final, as the vectors are, so that their
// temporaries are destroyed without virtual calls.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "tovfileio/math/TOVEulerOrder.h"
#include "tovfileio/math/TOVVector.h"

namespace tovfileio {

template <typename T>
class TOVRotationMatrix3;
template <typename T>
class TOVQuaternion;

// Below this value the middle-angle cosine (or sine, for repeated axes) is
// taken as zero and the matrix as gimbal-locked: 16 times the
// single-precision epsilon.
inline constexpr double kTOVGimbalThreshold = 1.9073486328125e-06;
inline constexpr double kTOVPi = 3.141592653589793;
inline constexpr double kTOVTwoPi = 6.283185307179586;
// An angle-axis axis shorter than this is replaced by the X axis.
inline constexpr double kTOVShortestAxis = 5e-08;

template <typename T>
class TOVTransform {
public:
    virtual ~TOVTransform() = default;

protected:
    TOVTransform() = default;
    TOVTransform(const TOVTransform&) = default;
    TOVTransform& operator=(const TOVTransform&) = default;
};

template <typename T>
class TOVRotation : public TOVTransform<T> {
protected:
    TOVRotation() = default;
    TOVRotation(const TOVRotation&) = default;
    TOVRotation& operator=(const TOVRotation&) = default;
};

// Three angles (first, second, third) about the axes named by `order`.
template <typename T>
class TOVEulerRotation final : public TOVRotation<T> {
public:
    // Angles 0 in the default order.
    TOVEulerRotation() : order(TOVProcessDefaultEulerOrder()) {}
    // The given angles in the default order.
    TOVEulerRotation(T first, T second, T third)
        : angles(first, second, third), order(TOVProcessDefaultEulerOrder()) {}
    TOVEulerRotation(T first, T second, T third, TOVEulerOrder explicitOrder)
        : angles(first, second, third), order(explicitOrder) {}
    // The rotation of `m` in the default order.
    explicit TOVEulerRotation(const TOVRotationMatrix3<T>& m)
        : order(TOVProcessDefaultEulerOrder()) {
        SetFromMatrix(m);
    }
    TOVEulerRotation(const TOVEulerRotation&) = default;

    // Takes over the rotation of `other` and keeps this rotation's own order:
    // the angles are copied when both orders agree, otherwise re-expressed
    // through the rotation matrix.
    TOVEulerRotation& operator=(const TOVEulerRotation& other);

    virtual T operator[](int i) const { return angles[i]; }
    virtual T& operator[](int i) { return angles[i]; }
    virtual void SetDefaultOrder(const TOVEulerOrder& newDefault) {
        TOVProcessDefaultEulerOrder() = newDefault;
    }
    virtual void SetDefaultOrder(std::uint32_t code) {
        TOVProcessDefaultEulerOrder() = TOVEulerOrder(code);
    }
    virtual TOVEulerOrder& DefaultOrder() { return TOVProcessDefaultEulerOrder(); }

    // Sets the angles to the rotation of `m` in this rotation's order.
    void SetFromMatrix(const TOVRotationMatrix3<T>& m);

    TOVVector3<T> angles;
    TOVEulerOrder order;

private:
    // SetFromMatrix for the decoded order `a`.
    [[gnu::always_inline]] void FillFromMatrix(const TOVEulerOrder::Axes& a,
                                               const TOVRotationMatrix3<T>& m);
};

template <typename T>
class TOVRotationMatrix3 final : public TOVRotation<T> {
public:
    // The identity.
    TOVRotationMatrix3() : rows{{T(1), T(0), T(0)}, {T(0), T(1), T(0)}, {T(0), T(0), T(1)}} {}
    TOVRotationMatrix3(T m00, T m01, T m02, T m10, T m11, T m12, T m20, T m21, T m22)
        : rows{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}
    explicit TOVRotationMatrix3(const TOVEulerRotation<T>& e) { SetFromEuler(e); }
    TOVRotationMatrix3(const TOVRotationMatrix3&) = default;
    TOVRotationMatrix3& operator=(const TOVRotationMatrix3&) = default;

    T operator()(int r, int c) const { return rows[r].At(c); }

    // Sets all nine elements from `e` in its own order.
    void SetFromEuler(const TOVEulerRotation<T>& e);

    void Transpose() {
        SwapElements(0, 1);
        SwapElements(0, 2);
        SwapElements(1, 2);
    }
    // A transposed copy; for a rotation this is its inverse.
    TOVRotationMatrix3 Transposed() const {
        TOVRotationMatrix3 copy(*this);
        copy.Transpose();
        return copy;
    }
    // Called on M, returns N * M: a row vector turned by the product is
    // turned by N first and by M after it.
    TOVRotationMatrix3 Multiply(const TOVRotationMatrix3& n) const {
        TOVRotationMatrix3 p;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                p.rows[r].At(c) = n.rows[r].At(0) * rows[0].At(c) +
                                  n.rows[r].At(1) * rows[1].At(c) +
                                  n.rows[r].At(2) * rows[2].At(c);
            }
        }
        return p;
    }

    // Makes this matrix M into R * M, R the turn about `axis` (0 X, 1 Y,
    // 2 Z) by `angle`, counterclockwise looking down the axis: a row vector
    // turned by the result turns about the axis first, then by M. Only the
    // two rows R mixes change.
    void TurnFirstAbout(int axis, T angle) {
        const T c = std::cos(angle), s = std::sin(angle);
        const int a = (axis + 1) % 3, b = (axis + 2) % 3;
        for (int column = 0; column < 3; ++column) {
            const T ma = rows[a].At(column), mb = rows[b].At(column);
            rows[a].At(column) = ma * c + mb * s;
            rows[b].At(column) = -ma * s + mb * c;
        }
    }

    TOVVector3<T> rows[3];

private:
    // SetFromEuler for the decoded order `a`.
    [[gnu::always_inline]] void FillFromEuler(const TOVEulerOrder::Axes& a,
                                              const TOVVector3<T>& angles);
    void SwapElements(int a, int b) {
        const T held = rows[a].At(b);
        rows[a].At(b) = rows[b].At(a);
        rows[b].At(a) = held;
    }
};

// A unit quaternion (x, y, z vector part, w scalar part).
template <typename T>
class TOVQuaternion final : public TOVRotation<T> {
public:
    // The identity rotation.
    TOVQuaternion() : q(T(0), T(0), T(0), T(1)) {}
    TOVQuaternion(T x, T y, T z, T w) : q(x, y, z, w) {}
    TOVQuaternion(const TOVQuaternion&) = default;
    TOVQuaternion& operator=(const TOVQuaternion&) = default;

    virtual T x() const { return q.x(); }
    virtual T y() const { return q.y(); }
    virtual T z() const { return q.z(); }
    virtual T w() const { return q.w(); }
    virtual void SetFromMatrix(const TOVRotationMatrix3<T>& m);
    virtual void Set(const TOVQuaternion& other) {
        q.At(0) = other.x();
        q.At(1) = other.y();
        q.At(2) = other.z();
        q.At(3) = other.w();
    }
    virtual void SetFromEuler(const TOVEulerRotation<T>& e);
    virtual void SetFromAngleAxis(T angle, const TOVVector3<T>& axis);

    TOVVector4<T> q;
};

// ---------------------------------------------------------------------------
// Conversions

template <typename T>
TOVEulerRotation<T>& TOVEulerRotation<T>::operator=(const TOVEulerRotation& other) {
    if (order.code == other.order.code) {
        angles = other.angles;
    } else {
        SetFromMatrix(TOVRotationMatrix3<T>(other));
    }
    return *this;
}

// Code 0, the order of HTR files and the default, is decoded here at
// compile time: the conversions then store and load every element at a
// fixed place. The arithmetic is the same for every order.
template <typename T>
void TOVRotationMatrix3<T>::SetFromEuler(const TOVEulerRotation<T>& e) {
    if (e.order.code == 0) {
        FillFromEuler(TOVEulerOrder(0).Decode(), e.angles);
    } else {
        FillFromEuler(e.order.Decode(), e.angles);
    }
}

template <typename T>
inline void TOVRotationMatrix3<T>::FillFromEuler(
    const TOVEulerOrder::Axes& a, const TOVVector3<T>& angles) {
    T ti = angles.At(0);
    T tj = angles.At(1);
    T th = angles.At(2);
    if (a.rotatingFrame) std::swap(ti, th);
    if (a.oddParity) {
        ti = -ti;
        tj = -tj;
        th = -th;
    }
    const T ci = std::cos(ti), cj = std::cos(tj), ch = std::cos(th);
    const T si = std::sin(ti), sj = std::sin(tj), sh = std::sin(th);
    const T cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;
    const int i = a.i, j = a.j, k = a.k;
    // S[r][c] is stored at rows[c][r].
    auto S = [this](int r, int c) -> T& { return rows[c].At(r); };
    if (a.repeatsFirstAxis) {
        S(i, i) = cj;
        S(i, j) = sj * si;
        S(i, k) = sj * ci;
        S(j, i) = sj * sh;
        S(j, j) = -cj * ss + cc;
        S(j, k) = -cj * cs - sc;
        S(k, i) = -sj * ch;
        S(k, j) = cj * sc + cs;
        S(k, k) = cj * cc - ss;
    } else {
        S(i, i) = cj * ch;
        S(i, j) = sj * sc - cs;
        S(i, k) = sj * cc + ss;
        S(j, i) = cj * sh;
        S(j, j) = sj * ss + cc;
        S(j, k) = sj * cs - sc;
        S(k, i) = -sj;
        S(k, j) = cj * si;
        S(k, k) = cj * ci;
    }
}

template <typename T>
void TOVEulerRotation<T>::SetFromMatrix(const TOVRotationMatrix3<T>& m) {
    if (order.code == 0) {
        FillFromMatrix(TOVEulerOrder(0).Decode(), m);
    } else {
        FillFromMatrix(order.Decode(), m);
    }
}

template <typename T>
inline void TOVEulerRotation<T>::FillFromMatrix(
    const TOVEulerOrder::Axes& a, const TOVRotationMatrix3<T>& m) {
    const int i = a.i, j = a.j, k = a.k;
    auto S = [&m](int r, int c) -> T { return m.rows[c].At(r); };
    const T threshold = T(kTOVGimbalThreshold);
    T x, y, z;
    if (a.repeatsFirstAxis) {
        const T sy = std::sqrt(S(i, j) * S(i, j) + S(i, k) * S(i, k));
        if (sy > threshold) {
            x = std::atan2(S(i, j), S(i, k));
            y = std::atan2(sy, S(i, i));
            z = std::atan2(S(j, i), -S(k, i));
        } else {
            x = std::atan2(-S(j, k), S(j, j));
            y = std::atan2(sy, S(i, i));
            z = T(0);
        }
    } else {
        const T cy = std::sqrt(S(i, i) * S(i, i) + S(j, i) * S(j, i));
        if (cy > threshold) {
            x = std::atan2(S(k, j), S(k, k));
            y = std::atan2(-S(k, i), cy);
            z = std::atan2(S(j, i), S(i, i));
        } else {
            x = std::atan2(-S(j, k), S(j, j));
            y = std::atan2(-S(k, i), cy);
            z = T(0);
        }
    }
    if (a.oddParity) {
        x = -x;
        y = -y;
        z = -z;
    }
    // Keep every angle within [-pi, pi]; pi itself stays.
    for (T* angle : {&x, &y, &z}) {
        if (*angle < -T(kTOVPi)) {
            *angle += T(kTOVTwoPi);
        } else if (*angle > T(kTOVPi)) {
            *angle -= T(kTOVTwoPi);
        }
    }
    if (a.rotatingFrame) std::swap(x, z);
    angles.At(0) = x;
    angles.At(1) = y;
    angles.At(2) = z;
}

template <typename T>
void TOVQuaternion<T>::SetFromEuler(const TOVEulerRotation<T>& e) {
    const auto a = e.order.Decode();
    T ti = e.angles.At(0);
    T tj = e.angles.At(1);
    T th = e.angles.At(2);
    if (a.rotatingFrame) std::swap(ti, th);
    if (a.oddParity) tj = -tj;
    const T ci = std::cos(ti / 2), cj = std::cos(tj / 2), ch = std::cos(th / 2);
    const T si = std::sin(ti / 2), sj = std::sin(tj / 2), sh = std::sin(th / 2);
    const T cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;
    T v[3];
    T w;
    if (a.repeatsFirstAxis) {
        v[a.i] = cj * (cs + sc);
        v[a.j] = sj * (cc + ss);
        v[a.k] = sj * (cs - sc);
        w = cj * (cc - ss);
    } else {
        v[a.i] = cj * sc - sj * cs;
        v[a.j] = cj * ss + sj * cc;
        v[a.k] = cj * cs - sj * sc;
        w = cj * cc + sj * ss;
    }
    if (a.oddParity) v[a.j] = -v[a.j];
    q.At(0) = v[0];
    q.At(1) = v[1];
    q.At(2) = v[2];
    q.At(3) = w;
}

template <typename T>
void TOVQuaternion<T>::SetFromMatrix(const TOVRotationMatrix3<T>& m) {
    auto M = [&m](int r, int c) -> T { return m.rows[r].At(c); };
    const T trace = M(0, 0) + M(1, 1) + M(2, 2);
    if (trace > T(0)) {
        T s = std::sqrt(trace + T(1));
        q.At(3) = s * T(0.5);
        s = T(0.5) / s;
        q.At(0) = (M(1, 2) - M(2, 1)) * s;
        q.At(1) = (M(2, 0) - M(0, 2)) * s;
        q.At(2) = (M(0, 1) - M(1, 0)) * s;
        return;
    }
    // Start from the largest diagonal element; ties keep the lower index.
    constexpr int kNext[3] = {1, 2, 0};
    int i = M(0, 0) < M(1, 1) ? 1 : 0;
    if (M(i, i) < M(2, 2)) i = 2;
    const int j = kNext[i];
    const int k = kNext[j];
    T s = std::sqrt(M(i, i) - (M(k, k) + M(j, j)) + T(1));
    q.At(i) = s * T(0.5);
    s = T(0.5) / s;
    q.At(3) = (M(j, k) - M(k, j)) * s;
    q.At(j) = (M(j, i) + M(i, j)) * s;
    q.At(k) = (M(k, i) + M(i, k)) * s;
}

template <typename T>
void TOVQuaternion<T>::SetFromAngleAxis(T angle, const TOVVector3<T>& axis) {
    const T half = angle * T(0.5);
    const T s = std::sin(half);
    const T n = axis.x() * axis.x() + axis.y() * axis.y() + axis.z() * axis.z();
    T ax = T(1), ay = T(0), az = T(0);
    if (!(n <= T(0)) && !(std::sqrt(n) <= T(kTOVShortestAxis))) {
        const T length = std::sqrt(n);
        ax = axis.x() / length;
        ay = axis.y() / length;
        az = axis.z() / length;
    }
    q.At(0) = ax * s;
    q.At(1) = ay * s;
    q.At(2) = az * s;
    q.At(3) = std::cos(half);
}

}  // namespace tovfileio
