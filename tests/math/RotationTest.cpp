// Rotations as Euler angles, matrices and quaternions. The conversions are
// checked against rotations composed from elementary turns for all 24 axis
// orders, over many random angles, and at the gimbal-lock boundary.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>

#include <gtest/gtest.h>

#include "math/TOVRotation.h"

namespace {

using Euler = TOVEulerRotation<double>;
using Matrix = TOVRotationMatrix3<double>;
using Quat = TOVQuaternion<double>;
using Vec3 = TOVVector3<double>;

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = kPi / 2;
constexpr double kThreshold = 1.9073486328125e-06;

// What an order code stands for: the axes i, j, k of the first, second and
// remaining angle, and the frame, repetition and parity flags.
struct OrderCase {
    std::uint32_t code;
    const char* ijk;
    bool rotating;
    bool repeats;
    bool odd;
};

constexpr OrderCase kOrders[] = {
    {0, "XYZ", false, false, false},  {1, "XYZ", true, false, false},
    {2, "XYZ", false, true, false},   {3, "XYZ", true, true, false},
    {4, "XZY", false, false, true},   {5, "XZY", true, false, true},
    {6, "XZY", false, true, true},    {7, "XZY", true, true, true},
    {8, "YZX", false, false, false},  {9, "YZX", true, false, false},
    {10, "YZX", false, true, false},  {11, "YZX", true, true, false},
    {12, "YXZ", false, false, true},  {13, "YXZ", true, false, true},
    {14, "YXZ", false, true, true},   {15, "YXZ", true, true, true},
    {16, "ZXY", false, false, false}, {17, "ZXY", true, false, false},
    {18, "ZXY", false, true, false},  {19, "ZXY", true, true, false},
    {20, "ZYX", false, false, true},  {21, "ZYX", true, false, true},
    {22, "ZYX", false, true, true},   {23, "ZYX", true, true, true},
};

int Axis(char letter) { return letter - 'X'; }

// a * b.
Matrix Product(const Matrix& a, const Matrix& b) {
    Matrix p;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            p.rows[r][c] = a(r, 0) * b(0, c) + a(r, 1) * b(1, c) + a(r, 2) * b(2, c);
        }
    }
    return p;
}

// The row vector p turned by m: p * m.
Vec3 Apply(const Vec3& p, const Matrix& m) {
    Vec3 out;
    for (int c = 0; c < 3; ++c) out[c] = p[0] * m(0, c) + p[1] * m(1, c) + p[2] * m(2, c);
    return out;
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

// The rotation an order names: a point turns about static axis i by the
// first angle, then j by the second, then k (i again when repeated) by the
// third. Rotating frames take the first and third angles exchanged.
Matrix Reference(const OrderCase& o, double x, double y, double z) {
    if (o.rotating) std::swap(x, z);
    const int i = Axis(o.ijk[0]);
    const int last = o.repeats ? i : Axis(o.ijk[2]);
    return Product(Product(Elementary(i, x), Elementary(Axis(o.ijk[1]), y)),
                   Elementary(last, z));
}

double MaxGap(const Matrix& a, const Matrix& b) {
    double gap = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) gap = std::max(gap, std::abs(a(r, c) - b(r, c)));
    }
    return gap;
}

double AngleGap(double a, double b) { return std::abs(std::remainder(a - b, 2 * kPi)); }

// The middle angle range that matrix to Euler yields: repeated axes give
// [0, pi], negated for odd parity.
std::pair<double, double> MiddleRange(const OrderCase& o) {
    if (!o.repeats) return {-kHalfPi, kHalfPi};
    return o.odd ? std::make_pair(-kPi, 0.0) : std::make_pair(0.0, kPi);
}

// The angle a gimbal-locked conversion sets to 0: the third, which rotating
// frames store first.
double LockedAngle(const Euler& e, const OrderCase& o) { return e.angles[o.rotating ? 0 : 2]; }

Euler FromMatrix(const Matrix& m, std::uint32_t code) {
    Euler e(0, 0, 0, TOVEulerOrder(code));
    e.SetFromMatrix(m);
    return e;
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return Vec3(a.y() * b.z() - a.z() * b.y(), a.z() * b.x() - a.x() * b.z(),
                a.x() * b.y() - a.y() * b.x());
}

double Dot(const Vec3& a, const Vec3& b) { return a.x() * b.x() + a.y() * b.y() + a.z() * b.z(); }

// v turned by q as q v q*, the column-vector reading of the rotation.
Vec3 Turn(const Quat& q, const Vec3& v) {
    const Vec3 c = Cross(Vec3(q.x(), q.y(), q.z()), v);
    const Vec3 t(2 * c.x(), 2 * c.y(), 2 * c.z());
    const Vec3 ut = Cross(Vec3(q.x(), q.y(), q.z()), t);
    Vec3 out;
    for (int n = 0; n < 3; ++n) out[n] = v[n] + q.w() * t[n] + ut[n];
    return out;
}

void ExpectQuat(const Quat& q, double x, double y, double z, double w, const char* name) {
    EXPECT_NEAR(q.x(), x, 1e-15) << name;
    EXPECT_NEAR(q.y(), y, 1e-15) << name;
    EXPECT_NEAR(q.z(), z, 1e-15) << name;
    EXPECT_NEAR(q.w(), w, 1e-15) << name;
}

double QuatDot(const Quat& a, const Quat& b) {
    return a.x() * b.x() + a.y() * b.y() + a.z() * b.z() + a.w() * b.w();
}

class Random {
public:
    double Uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(engine_);
    }
    Vec3 Angles() { return Vec3(Uniform(-kPi, kPi), Uniform(-kPi, kPi), Uniform(-kPi, kPi)); }

private:
    std::mt19937_64 engine_{20240611};
};

constexpr int kSamples = 300;

TEST(EulerOrder, DecodesEveryCode) {
    for (const OrderCase& o : kOrders) {
        const TOVEulerOrder::Axes a = TOVEulerOrder(o.code).Decode();
        EXPECT_EQ(a.i, Axis(o.ijk[0])) << o.code;
        EXPECT_EQ(a.j, Axis(o.ijk[1])) << o.code;
        EXPECT_EQ(a.k, Axis(o.ijk[2])) << o.code;
        EXPECT_EQ(a.rotatingFrame, o.rotating) << o.code;
        EXPECT_EQ(a.repeatsFirstAxis, o.repeats) << o.code;
        EXPECT_EQ(a.oddParity, o.odd) << o.code;
    }
}

TEST(EulerToMatrix, ComposesElementaryTurnsForEveryOrder) {
    Random rng;
    for (const OrderCase& o : kOrders) {
        for (int n = 0; n < kSamples; ++n) {
            const double x = rng.Uniform(-7, 7), y = rng.Uniform(-7, 7), z = rng.Uniform(-7, 7);
            const Matrix m(Euler(x, y, z, TOVEulerOrder(o.code)));
            ASSERT_LT(MaxGap(m, Reference(o, x, y, z)), 1e-14) << o.code << " " << n;
            // Orthonormal with determinant +1.
            EXPECT_LT(MaxGap(Product(m, m.Transposed()), Matrix()), 1e-14) << o.code;
            EXPECT_NEAR(Dot(m.rows[0], Cross(m.rows[1], m.rows[2])), 1.0, 1e-14) << o.code;
        }
    }
}

TEST(EulerMatrixEuler, ReproducesTheRotationAndAnglesInRange) {
    Random rng;
    for (const OrderCase& o : kOrders) {
        const auto [lo, hi] = MiddleRange(o);
        for (int n = 0; n < kSamples; ++n) {
            // Any angles: the same rotation comes back, with angles in range.
            const Vec3 any = rng.Angles();
            const Matrix m(Euler(any.x(), any.y(), any.z(), TOVEulerOrder(o.code)));
            const Euler back = FromMatrix(m, o.code);
            EXPECT_EQ(back.order.code, o.code);
            ASSERT_LT(MaxGap(Matrix(back), m), 1e-13) << o.code << " " << n;
            EXPECT_GE(back.angles.y(), lo) << o.code;
            EXPECT_LE(back.angles.y(), hi) << o.code;
            for (int a = 0; a < 3; ++a) EXPECT_LE(std::abs(back.angles[a]), kPi) << o.code;

            // Angles in the valid ranges come back themselves.
            const Vec3 in(any.x(), rng.Uniform(lo, hi), any.z());
            const Euler same = FromMatrix(Matrix(Euler(in.x(), in.y(), in.z(),
                                                       TOVEulerOrder(o.code))), o.code);
            for (int a = 0; a < 3; ++a) {
                ASSERT_LT(AngleGap(same.angles[a], in[a]), 1e-9) << o.code << " " << n << " " << a;
            }
        }
    }
}

TEST(EulerMatrixEuler, GimbalLockZeroesTheThirdAngle) {
    const std::pair<double, double> firstAndThird[] = {{0.3, -1.1}, {2.5, 0.4}, {-3.0, 3.0}};
    for (const OrderCase& o : kOrders) {
        const double locks[2] = {o.repeats ? 0.0 : kHalfPi, o.repeats ? kPi : -kHalfPi};
        for (const double lock : locks) {
            for (const auto& [x, z] : firstAndThird) {
                const Matrix m(Euler(x, lock, z, TOVEulerOrder(o.code)));
                const Euler back = FromMatrix(m, o.code);
                EXPECT_EQ(LockedAngle(back, o), 0.0) << o.code << " " << lock;
                // Repeated axes with odd parity return the lock angle negated.
                const double middle = o.repeats && o.odd ? -lock : lock;
                EXPECT_NEAR(back.angles.y(), middle, 1e-15) << o.code << " " << lock;
                EXPECT_LT(MaxGap(Matrix(back), m), 1e-12) << o.code << " " << lock;
            }
        }
    }
    // Code 0 with (0, pi/2, 0): S[2][0], stored at [0][2], is -1.
    const Matrix m(Euler(0, kHalfPi, 0, TOVEulerOrder(0)));
    EXPECT_DOUBLE_EQ(m(0, 2), -1.0);
    const Euler back = FromMatrix(m, 0);
    EXPECT_DOUBLE_EQ(back.angles.y(), kHalfPi);
    EXPECT_EQ(back.angles.z(), 0.0);
}

TEST(EulerMatrixEuler, ThresholdSeparatesLockFromNormalBranch) {
    // A middle angle d away from the lock makes the decisive cosine (sine for
    // repeated axes) about d.
    for (const OrderCase& o : kOrders) {
        for (const double d : {2.5e-6, 1.5e-6}) {
            const double y = o.repeats ? d : kHalfPi - d;
            const Matrix m(Euler(0.4, y, 0.9, TOVEulerOrder(o.code)));
            const Euler back = FromMatrix(m, o.code);
            if (d > kThreshold) {
                EXPECT_NE(LockedAngle(back, o), 0.0) << o.code;
                EXPECT_LT(MaxGap(Matrix(back), m), 1e-10) << o.code;
            } else {
                EXPECT_EQ(LockedAngle(back, o), 0.0) << o.code;
                EXPECT_LT(MaxGap(Matrix(back), m), 1e-5) << o.code;
            }
        }
    }
    // At exactly the threshold the lock branch is taken, one step above it
    // the normal branch, whose third angle here is pi/2.
    const double above = std::nextafter(kThreshold, 1.0);
    auto distinct = [](double c) { return Matrix(0, c, 0, 0, 1, 0, 0, 0, 1); };
    auto repeated = [](double s) { return Matrix(1, 1, 0, s, 1, 0, 0, 0, 1); };
    EXPECT_EQ(FromMatrix(distinct(kThreshold), 0).angles.z(), 0.0);
    EXPECT_DOUBLE_EQ(FromMatrix(distinct(above), 0).angles.z(), kHalfPi);
    EXPECT_EQ(FromMatrix(repeated(kThreshold), 2).angles.z(), 0.0);
    EXPECT_DOUBLE_EQ(FromMatrix(repeated(above), 2).angles.z(), kHalfPi);
}

TEST(EulerMatrixEuler, HalfTurnKeepsTheSignOfPi) {
    const Matrix halfTurnX(1, 0, 0, 0, -1, 0, 0, 0, -1);
    struct Case {
        std::uint32_t code;
        Matrix m;
        Vec3 expected;
    };
    const Case cases[] = {
        {0, halfTurnX, {kPi, 0, 0}},
        {1, halfTurnX, {0, 0, kPi}},
        {4, halfTurnX, {-kPi, 0, 0}},  // odd parity negates pi; -pi stays too
        {0, Matrix(Euler(kPi, 0.2, 0, TOVEulerOrder(0))), {kPi, 0.2, 0}},
        {0, Matrix(Euler(-kPi, 0.2, 0, TOVEulerOrder(0))), {-kPi, 0.2, 0}},
    };
    for (const Case& c : cases) {
        const Euler back = FromMatrix(c.m, c.code);
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(back.angles[a], c.expected[a], 1e-12) << c.code << " " << a;
        }
    }
}

TEST(Quaternion, FromEulerMatchesFromMatrixForEveryOrder) {
    Random rng;
    for (const OrderCase& o : kOrders) {
        for (int n = 0; n < kSamples; ++n) {
            const Vec3 a = rng.Angles();
            const Euler e(a.x(), a.y(), a.z(), TOVEulerOrder(o.code));
            const Matrix m(e);
            Quat fromEuler, fromMatrix;
            fromEuler.SetFromEuler(e);
            fromMatrix.SetFromMatrix(m);
            // Unit length, and the same rotation: q and -q are both allowed.
            EXPECT_NEAR(QuatDot(fromEuler, fromEuler), 1.0, 1e-14) << o.code;
            ASSERT_NEAR(std::abs(QuatDot(fromEuler, fromMatrix)), 1.0, 1e-13) << o.code << " " << n;
            const Vec3 v = rng.Angles();
            const Vec3 want = Apply(v, m);
            for (const Quat* q : {&fromEuler, &fromMatrix}) {
                const Vec3 got = Turn(*q, v);
                for (int c = 0; c < 3; ++c) ASSERT_NEAR(got[c], want[c], 1e-13) << o.code;
            }
        }
    }
}

TEST(Quaternion, FromMatrixBranches) {
    const double h = std::sqrt(0.5), t = 1 / std::sqrt(3.0), d = -1.0 / 3, e = 2.0 / 3;
    struct Case {
        const char* name;
        Matrix m;
        double x, y, z, w;
    };
    const Case cases[] = {
        {"identity, trace 3", Matrix(), 0, 0, 0, 1},
        {"half turn about X", Matrix(1, 0, 0, 0, -1, 0, 0, 0, -1), 1, 0, 0, 0},
        // Trace exactly 0: the largest-diagonal branch makes x positive where
        // the trace branch would make w positive.
        {"trace 0", Matrix(0, 0, 1, 1, 0, 0, 0, 1, 0), 0.5, 0.5, 0.5, -0.5},
        {"not a rotation, trace 0", Matrix(0.5, 0, 0, 0, -0.25, 0, 0, 0, -0.25), h, 0, 0, 0},
        // Ties keep the lower index, whose component comes out positive.
        {"tie x y", Matrix(0, -1, 0, -1, 0, 0, 0, 0, -1), h, -h, 0, 0},
        {"tie y z", Matrix(-1, 0, 0, 0, 0, -1, 0, -1, 0), 0, h, -h, 0},
        {"tie x z", Matrix(0, 0, -1, 0, -1, 0, -1, 0, 0), h, 0, -h, 0},
        {"tie x y z", Matrix(d, -e, -e, -e, d, e, -e, e, d), t, -t, -t, 0},
    };
    for (const Case& c : cases) {
        Quat q;
        q.SetFromMatrix(c.m);
        ExpectQuat(q, c.x, c.y, c.z, c.w, c.name);
        Quat copy(9, 9, 9, 9);
        copy.Set(q);
        ExpectQuat(copy, q.x(), q.y(), q.z(), q.w(), "copy");
    }
}

TEST(Quaternion, FromAngleAxis) {
    const double s = std::sin(0.5), c = std::cos(0.5);
    struct Case {
        const char* name;
        double angle;
        Vec3 axis;
        double x, y, z, w;
    };
    const Case cases[] = {
        {"zero axis", kPi, {0, 0, 0}, 1, 0, 0, std::cos(kHalfPi)},
        {"tiny axis", 1, {0, 4.9e-8, 0}, s, 0, 0, c},
        {"underflowing axis", 1, {0, 0, 1e-200}, s, 0, 0, c},
        {"short axis", 1, {0, 0, -1e-7}, 0, 0, -s, c},
        {"3-4-5 axis", 1, {0, 3, 4}, 0, 0.6 * s, 0.8 * s, c},
        {"negative angle", -1, {2, 0, 0}, -s, 0, 0, c},
    };
    for (const Case& k : cases) {
        Quat q;
        q.SetFromAngleAxis(k.angle, k.axis);
        ExpectQuat(q, k.x, k.y, k.z, k.w, k.name);
    }
    // A turn about a coordinate axis is the code-0 Euler turn about it.
    for (int axis = 0; axis < 3; ++axis) {
        Vec3 unit, angles;
        unit[axis] = 1;
        angles[axis] = 0.8;
        Quat fromAxis, fromEuler;
        fromAxis.SetFromAngleAxis(0.8, unit);
        fromEuler.SetFromEuler(Euler(angles.x(), angles.y(), angles.z(), TOVEulerOrder(0)));
        ExpectQuat(fromAxis, fromEuler.x(), fromEuler.y(), fromEuler.z(), fromEuler.w(), "axis");
    }
}

TEST(MatrixProduct, MultiplyOnMTurnsByNFirst) {
    Random rng;
    for (int n = 0; n < kSamples; ++n) {
        Matrix mats[2];
        for (Matrix& m : mats) {
            for (int e = 0; e < 9; ++e) m.rows[e / 3][e % 3] = rng.Uniform(-2, 2);
        }
        const Matrix& M = mats[0];
        const Matrix& N = mats[1];
        const Matrix P = M.Multiply(N);
        const Vec3 p = rng.Angles();
        const Vec3 want = Apply(Apply(p, N), M);
        const Vec3 got = Apply(p, P);
        for (int c = 0; c < 3; ++c) ASSERT_NEAR(got[c], want[c], 1e-12) << n;
    }
    // Turns about different axes do not commute; about one axis they do.
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            const Matrix base = Elementary(a, 0.7), frame = Elementary(b, -1.2);
            const double gap = MaxGap(base.Multiply(frame), frame.Multiply(base));
            if (a == b) {
                EXPECT_LT(gap, 1e-15) << a << b;
            } else {
                EXPECT_GT(gap, 0.1) << a << b;
            }
        }
    }
}

TEST(MatrixTranspose, TransposedIsTheInverseAndLeavesTheOperand) {
    const Matrix general(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const Matrix t = general.Transposed();
    Matrix inPlace = general;
    inPlace.Transpose();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(general(r, c), 3 * r + c + 1);
            EXPECT_EQ(t(r, c), general(c, r));
            EXPECT_EQ(inPlace(r, c), t(r, c));
        }
    }
    Random rng;
    for (const OrderCase& o : kOrders) {
        const Vec3 a = rng.Angles();
        const Matrix m(Euler(a.x(), a.y(), a.z(), TOVEulerOrder(o.code)));
        EXPECT_LT(MaxGap(m.Multiply(m.Transposed()), Matrix()), 1e-14) << o.code;
        EXPECT_LT(MaxGap(m.Transposed().Multiply(m), Matrix()), 1e-14) << o.code;
    }
}

// Puts the process-wide default order back to 0 when a test ends.
struct DefaultOrderGuard {
    ~DefaultOrderGuard() { Euler().SetDefaultOrder(0u); }
};

TEST(DefaultOrder, StartsAtZeroAndIsCopiedAtConstruction) {
    DefaultOrderGuard guard;
    Euler probe;
    EXPECT_EQ(probe.DefaultOrder().code, 0u);
    EXPECT_EQ(probe.order.code, 0u);

    // Conversions and assignment leave the default alone.
    const Euler explicitOrder(0.1, 0.2, 0.3, TOVEulerOrder(7));
    probe = explicitOrder;
    probe.SetFromMatrix(Matrix(explicitOrder));
    Quat q;
    q.SetFromEuler(explicitOrder);
    EXPECT_EQ(probe.DefaultOrder().code, 0u);

    probe.SetDefaultOrder(20u);
    EXPECT_EQ(probe.order.code, 0u);
    EXPECT_EQ(Euler().order.code, 20u);
    EXPECT_EQ(Euler(1, 2, 3).order.code, 20u);
    EXPECT_EQ(Euler(explicitOrder).order.code, 7u);
    const Euler fromMatrix{Matrix(explicitOrder)};
    EXPECT_EQ(fromMatrix.order.code, 20u);
    EXPECT_LT(MaxGap(Matrix(fromMatrix), Matrix(explicitOrder)), 1e-14);

    probe.SetDefaultOrder(TOVEulerOrder(13));
    EXPECT_EQ(&probe.DefaultOrder(), &Euler().DefaultOrder());
    EXPECT_EQ(Euler().order.code, 13u);
    probe.DefaultOrder() = TOVEulerOrder(5);
    EXPECT_EQ(Euler().order.code, 5u);
}

TEST(EulerAssignment, KeepsTheTargetOrder) {
    // Same code: the angles are copied as they are, even out of range.
    Euler same(0.1, 0.2, 0.3, TOVEulerOrder(0));
    same = Euler(5.0, -4.0, 7.5, TOVEulerOrder(0));
    EXPECT_EQ(same.angles.x(), 5.0);
    EXPECT_EQ(same.angles.y(), -4.0);
    EXPECT_EQ(same.angles.z(), 7.5);

    // Code 20 into code 0: the same rotation in the target's order.
    const Euler zyx(0.3, -0.5, 1.2, TOVEulerOrder(20));
    Euler xyz(0, 0, 0, TOVEulerOrder(0));
    xyz = zyx;
    EXPECT_EQ(xyz.order.code, 0u);
    EXPECT_LT(MaxGap(Matrix(xyz), Reference(kOrders[20], 0.3, -0.5, 1.2)), 1e-14);
    EXPECT_GT(AngleGap(xyz.angles.x(), 0.3), 0.01);

    Random rng;
    for (const OrderCase& from : kOrders) {
        for (const OrderCase& to : kOrders) {
            const Vec3 a = rng.Angles();
            const Euler source(a.x(), a.y(), a.z(), TOVEulerOrder(from.code));
            Euler target(1, 2, 3, TOVEulerOrder(to.code));
            target = source;
            EXPECT_EQ(target.order.code, to.code);
            EXPECT_LT(MaxGap(Matrix(target), Matrix(source)), 1e-13) << from.code << to.code;
            if (from.code == to.code) {
                for (int n = 0; n < 3; ++n) EXPECT_EQ(target[n], source[n]);
            }
        }
    }
    Euler self(4.0, 0.1, -5.0, TOVEulerOrder(9));
    const Euler& alias = self;
    self = alias;
    EXPECT_EQ(self.angles.x(), 4.0);
    self[2] = 0.25;
    EXPECT_EQ(self.angles.z(), 0.25);
}

}  // namespace
