// Rotations as Euler angles, matrices and quaternions, checked against rotations
// composed from elementary turns for all 24 axis orders, and the vector types under them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tovfileio/math/TOVRotation.h"

using namespace tovfileio;

namespace {

using Euler = TOVEulerRotation<double>;
using Matrix = TOVRotationMatrix3<double>;
using Quat = TOVQuaternion<double>;
using Vec3 = TOVVector3<double>;

constexpr double kPi = 3.141592653589793, kHalfPi = kPi / 2, kThreshold = 1.9073486328125e-06;
constexpr int kSamples = 300;

// What an order code names, written out apart from the decoder: the axes of the
// first, second and remaining angle, and the frame, repetition and parity flags.
struct Order { std::uint32_t code; int i, j, k; bool rotating, repeats, odd; };
const std::vector<Order> kOrders = [] {
    std::vector<Order> orders;
    for (std::uint32_t c = 0; c < 24; ++c) {
        const char* a = std::vector{"XYZ", "XZY", "YZX", "YXZ", "ZXY", "ZYX"}[c / 4];
        orders.push_back({c, a[0] - 'X', a[1] - 'X', a[2] - 'X', (c & 1) != 0, (c & 2) != 0,
                          (c & 4) != 0});
    }
    return orders;
}();

// a * b; for row vectors, a turn by a and then by b.
Matrix Product(const Matrix& a, const Matrix& b) {
    Matrix p;
    for (int e = 0; e < 9; ++e) {
        const int r = e / 3, c = e % 3;
        p.rows[r][c] = a(r, 0) * b(0, c) + a(r, 1) * b(1, c) + a(r, 2) * b(2, c);
    }
    return p;
}

// Right-handed turn about one axis for row vectors; for X the rows are
// (1, 0, 0), (0, cos, sin), (0, -sin, cos).
Matrix Elementary(int axis, double angle) {
    Matrix m;
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    m.rows[a][a] = m.rows[b][b] = std::cos(angle);
    m.rows[a][b] = std::sin(angle);
    m.rows[b][a] = -std::sin(angle);
    return m;
}

// A point turns about static axis i by the first angle, then j, then k (i again
// when repeated). Rotating frames take the first and third angles exchanged.
Matrix Reference(const Order& o, double x, double y, double z) {
    if (o.rotating) std::swap(x, z);
    const Matrix first = Product(Elementary(o.i, x), Elementary(o.j, y));
    return Product(first, Elementary(o.repeats ? o.i : o.k, z));
}

// The row-vector matrix of a unit quaternion, which turns column vectors as q v q*.
Matrix FromQuat(const Quat& q) {
    const double x = q.x(), y = q.y(), z = q.z(), w = q.w();
    return Matrix(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w),
                  2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                  2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y));
}

double MaxGap(const Matrix& a, const Matrix& b) {
    double gap = 0;
    for (int e = 0; e < 9; ++e) gap = std::max(gap, std::abs(a(e / 3, e % 3) - b(e / 3, e % 3)));
    return gap;
}

Euler Make(const Vec3& a, std::uint32_t c) { return Euler(a[0], a[1], a[2], TOVEulerOrder(c)); }
Euler FromMatrix(const Matrix& m, std::uint32_t code) {
    Euler e = Make({}, code);
    e.SetFromMatrix(m);
    return e;
}
// The angle a gimbal-locked conversion sets to 0: the third, stored first by rotating frames.
double LockedAngle(const Euler& e, const Order& o) { return e.angles[o.rotating ? 0 : 2]; }

void ExpectQuat(const Quat& q, double x, double y, double z, double w, const char* name) {
    const double got[4] = {q.x(), q.y(), q.z(), q.w()}, want[4] = {x, y, z, w};
    for (int n = 0; n < 4; ++n) EXPECT_NEAR(got[n], want[n], 1e-15) << name << " " << n;
}

struct Random {
    std::mt19937_64 engine{20240611};
    double Uniform(double lo, double hi) { return std::uniform_real_distribution(lo, hi)(engine); }
    Vec3 Angles(double r = kPi) { return Vec3(Uniform(-r, r), Uniform(-r, r), Uniform(-r, r)); }
};

// For any angles: the matrix is the composed elementary turns; back to angles gives the
// same rotation with angles in range (where they are unique up to 2 pi); and the
// quaternions from the angles and from the matrix both turn like the matrix.
TEST(Rotation, EveryConversionAgreesForEveryOrder) {
    Random rng;
    for (const Order& o : kOrders) {
        // The middle angle lies in [-pi/2, pi/2], or [0, pi] for repeated axes, negated if odd.
        const double lo = !o.repeats ? -kHalfPi : o.odd ? -kPi : 0, hi = lo + kPi;
        for (int n = 0; n < kSamples; ++n) {
            const Vec3 a = rng.Angles(7);
            const Euler e = Make(a, o.code);
            const Matrix m(e);
            ASSERT_LT(MaxGap(m, Reference(o, a[0], a[1], a[2])), 1e-14) << o.code << " " << n;

            const Euler back = FromMatrix(m, o.code);
            ASSERT_LT(MaxGap(Matrix(back), m), 1e-13) << o.code << " " << n;
            EXPECT_TRUE(back[1] >= lo && back[1] <= hi) << o.code << " " << back[1];
            for (int k = 0; k < 3; ++k) EXPECT_LE(std::abs(back[k]), kPi) << o.code;

            // Matching a rotation other than the identity also makes q of unit length.
            Quat fromEuler, fromMatrix;
            fromEuler.SetFromEuler(e);
            fromMatrix.SetFromMatrix(m);
            ASSERT_LT(MaxGap(FromQuat(fromEuler), m), 1e-13) << o.code << " " << n;
            ASSERT_LT(MaxGap(FromQuat(fromMatrix), m), 1e-13) << o.code << " " << n;
        }
    }
}

TEST(EulerMatrixEuler, GimbalLockZeroesTheThirdAngleAtAndBelowTheThreshold) {
    const std::pair<double, double> firstAndThird[] = {{0.3, -1.1}, {2.5, 0.4}, {-3.0, 3.0}};
    for (const Order& o : kOrders) {
        for (const double lock : {o.repeats ? 0.0 : kHalfPi, o.repeats ? kPi : -kHalfPi}) {
            for (const auto& [x, z] : firstAndThird) {
                const Matrix m(Euler(x, lock, z, TOVEulerOrder(o.code)));
                const Euler back = FromMatrix(m, o.code);
                EXPECT_EQ(LockedAngle(back, o), 0.0) << o.code << " " << lock;
                EXPECT_NEAR(back.angles[1], o.repeats && o.odd ? -lock : lock, 1e-15) << o.code;
                EXPECT_LT(MaxGap(Matrix(back), m), 1e-12) << o.code << " " << lock;
            }
        }
        // A middle angle d from the lock makes the decisive cosine (sine when repeated) about d.
        for (const double d : {2.5e-6, 1.5e-6}) {
            const Matrix m(Euler(0.4, o.repeats ? d : kHalfPi - d, 0.9, TOVEulerOrder(o.code)));
            const Euler back = FromMatrix(m, o.code);
            EXPECT_EQ(LockedAngle(back, o) == 0.0, d < kThreshold) << o.code << " " << d;
            EXPECT_LT(MaxGap(Matrix(back), m), d < kThreshold ? 1e-5 : 1e-10) << o.code;
        }
    }
    // Exactly at the threshold the lock branch is taken; one step above, the normal
    // branch, whose third angle here is pi/2.
    const double above = std::nextafter(kThreshold, 1.0);
    auto distinct = [](double c) { return Matrix(0, c, 0, 0, 1, 0, 0, 0, 1); };
    auto repeated = [](double s) { return Matrix(1, 1, 0, s, 1, 0, 0, 0, 1); };
    EXPECT_EQ(FromMatrix(distinct(kThreshold), 0).angles[2], 0.0);
    EXPECT_DOUBLE_EQ(FromMatrix(distinct(above), 0).angles[2], kHalfPi);
    EXPECT_EQ(FromMatrix(repeated(kThreshold), 2).angles[2], 0.0);
    EXPECT_DOUBLE_EQ(FromMatrix(repeated(above), 2).angles[2], kHalfPi);
}

TEST(EulerMatrixEuler, HalfTurnKeepsTheSignOfPi) {
    const Matrix halfTurnX(1, 0, 0, 0, -1, 0, 0, 0, -1);
    const struct { std::uint32_t code; Matrix m; Vec3 want; } cases[] = {
        {0, halfTurnX, {kPi, 0, 0}},
        {1, halfTurnX, {0, 0, kPi}},
        {4, halfTurnX, {-kPi, 0, 0}},  // odd parity negates pi, and -pi stays
        {0, Matrix(Make({-kPi, 0.2, 0}, 0)), {-kPi, 0.2, 0}},
    };
    for (const auto& c : cases) {
        const Euler back = FromMatrix(c.m, c.code);
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(back[a], c.want[a], 1e-12) << c.code << " " << a;
    }
}

TEST(Quaternion, FromMatrixBranches) {
    const double h = std::sqrt(0.5), t = 1 / std::sqrt(3.0), d = -1.0 / 3, e = 2.0 / 3;
    const struct { const char* name; Matrix m; double x, y, z, w; } cases[] = {
        {"identity", Matrix(), 0, 0, 0, 1},
        {"half turn about X", Matrix(1, 0, 0, 0, -1, 0, 0, 0, -1), 1, 0, 0, 0},
        // Trace exactly 0 takes the largest-diagonal branch: x positive, where the
        // trace branch would make w positive.
        {"trace 0", Matrix(0, 0, 1, 1, 0, 0, 0, 1, 0), 0.5, 0.5, 0.5, -0.5},
        // Ties keep the lower index, whose component comes out positive.
        {"tie x y", Matrix(0, -1, 0, -1, 0, 0, 0, 0, -1), h, -h, 0, 0},
        {"tie y z", Matrix(-1, 0, 0, 0, 0, -1, 0, -1, 0), 0, h, -h, 0},
        {"tie x z", Matrix(0, 0, -1, 0, -1, 0, -1, 0, 0), h, 0, -h, 0},
        {"tie x y z", Matrix(d, -e, -e, -e, d, e, -e, e, d), t, -t, -t, 0},
    };
    for (const auto& c : cases) {
        Quat q, copy(9, 9, 9, 9);
        q.SetFromMatrix(c.m);
        copy.Set(q);
        ExpectQuat(copy, c.x, c.y, c.z, c.w, c.name);
    }
}

TEST(Quaternion, FromAngleAxis) {
    const double s = std::sin(0.5), c = std::cos(0.5);
    const struct { const char* name; double angle; Vec3 axis; double x, y, z, w; } cases[] = {
        {"zero axis", kPi, {0, 0, 0}, 1, 0, 0, std::cos(kHalfPi)},
        {"tiny axis", 1, {0, 4.9e-8, 0}, s, 0, 0, c},
        {"short axis", 1, {0, 0, -1e-7}, 0, 0, -s, c},
        {"3-4-5 axis", 1, {0, 3, 4}, 0, 0.6 * s, 0.8 * s, c},
        {"negative angle", -1, {2, 0, 0}, -s, 0, 0, c},
    };
    for (const auto& k : cases) {
        Quat q;
        q.SetFromAngleAxis(k.angle, k.axis);
        ExpectQuat(q, k.x, k.y, k.z, k.w, k.name);
    }
}

TEST(Matrix, MultiplyOnMTurnsByNFirstAndTransposeMirrors) {
    Random rng;
    for (int n = 0; n < kSamples; ++n) {
        Matrix M, N;
        for (int e = 0; e < 18; ++e) (e < 9 ? M : N).rows[e % 9 / 3][e % 3] = rng.Uniform(-2, 2);
        ASSERT_LT(MaxGap(M.Multiply(N), Product(N, M)), 1e-14) << n;
    }
    const Matrix general(1, 2, 3, 4, 5, 6, 7, 8, 9), t = general.Transposed();
    Matrix inPlace = general;
    inPlace.Transpose();
    for (int e = 0; e < 9; ++e) {
        EXPECT_EQ(t(e / 3, e % 3), 3 * (e % 3) + e / 3 + 1) << e;
        EXPECT_EQ(inPlace(e / 3, e % 3), t(e / 3, e % 3)) << e;
    }
}

TEST(EulerDefaultOrder, StartsAtZeroAndIsCopiedAtConstruction) {
    struct Restore { ~Restore() { Euler().SetDefaultOrder(0u); } } restore;
    Euler probe;
    // Conversions and assignment leave the default alone.
    const Euler seven = Make({0.1, 0.2, 0.3}, 7);
    probe = seven;
    probe.SetFromMatrix(Matrix(seven));
    Quat().SetFromEuler(seven);
    EXPECT_EQ(Euler().order.code, 0u);

    probe.SetDefaultOrder(20u);
    EXPECT_EQ(probe.order.code, 0u);
    EXPECT_EQ(Euler(1, 2, 3).order.code, 20u);
    EXPECT_EQ(Euler(seven).order.code, 7u);
    const Euler fromMatrix{Matrix(seven)};
    EXPECT_EQ(fromMatrix.order.code, 20u);
    EXPECT_LT(MaxGap(Matrix(fromMatrix), Matrix(seven)), 1e-14);

    probe.SetDefaultOrder(TOVEulerOrder(13));
    EXPECT_EQ(Euler().order.code, 13u);
}

TEST(EulerAssignment, KeepsTheTargetOrder) {
    // Same order: the angles are copied as they are, even out of range.
    Euler same = Make({0.1, 0.2, 0.3}, 0);
    same = Make({5.0, -4.0, 7.5}, 0);
    same[1] = -4.5;
    for (int a = 0; a < 3; ++a) EXPECT_EQ(same.angles[a], Vec3(5.0, -4.5, 7.5)[a]) << a;

    Random rng;
    for (const Order& from : kOrders) {
        for (const Order& to : kOrders) {
            const Euler source = Make(rng.Angles(), from.code);
            Euler target = Make({1, 2, 3}, to.code);
            target = source;
            EXPECT_EQ(target.order.code, to.code);
            EXPECT_LT(MaxGap(Matrix(target), Matrix(source)), 1e-13) << from.code << to.code;
        }
    }
}

}  // namespace
