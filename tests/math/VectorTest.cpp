// Vector value types: zero construction, element slots and the constant w of
// a three-element vector, all reached through the common base class.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "math/TOVVector.h"

namespace {

using Vec = TOVVector<double>;
using Vec3 = TOVVector3<double>;
using Vec4 = TOVVector4<double>;

// The named getters in element order, read through the base class.
double Named(const Vec& v, int i) {
    const double named[] = {v.x(), v.y(), v.z(), v.w()};
    return named[i];
}

TEST(Vector, DefaultConstructedIsAllZeros) {
    const Vec3 v3;
    const Vec4 v4;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Named(v3, i), 0.0) << i;
        EXPECT_EQ(Named(v4, i), 0.0) << i;
        if (i < 3) {
            EXPECT_EQ(v3[i], 0.0) << i;
        }
        EXPECT_EQ(v4[i], 0.0) << i;
    }
}

TEST(Vector, ThreeElementVectorHasNoW) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Vec3 cases[] = {{1.0, 2.0, 3.0}, {-0.0, inf, -inf}, {nan, nan, nan}, {0.0, 0.0, 7.0}};
    for (const Vec3& v : cases) {
        const Vec& base = v;
        EXPECT_EQ(base.w(), 0.0);
        EXPECT_FALSE(std::signbit(base.w()));
    }
}

TEST(Vector, WritesThroughElementAccessAreSeenByEveryReader) {
    Vec3 v3;
    Vec4 v4;
    Vec* vectors[] = {&v3, &v4};
    for (Vec* v : vectors) {
        const int size = v == &v3 ? 3 : 4;
        for (int i = 0; i < size; ++i)
            (*v)[i] = 10.0 * (i + 1) + 0.5;
        const Vec& reader = *v;
        for (int i = 0; i < size; ++i) {
            EXPECT_EQ(reader[i], 10.0 * (i + 1) + 0.5) << size << " " << i;
            EXPECT_EQ(Named(reader, i), 10.0 * (i + 1) + 0.5) << size << " " << i;
        }
    }
    v3[1] = -2.25;
    EXPECT_EQ(v3.y(), -2.25);
    EXPECT_EQ(v3.x(), 10.5);
    EXPECT_EQ(v3.z(), 30.5);
}

TEST(Vector, CopiesAreIndependentValues) {
    Vec4 original(1.0, 2.0, 3.0, 4.0);
    Vec4 copy(original);
    copy[3] = 9.0;
    Vec3 assigned;
    const Vec3 source(5.0, 6.0, 7.0);
    assigned = source;
    assigned[0] = -1.0;
    EXPECT_EQ(original.w(), 4.0);
    EXPECT_EQ(copy.w(), 9.0);
    EXPECT_EQ(source.x(), 5.0);
    EXPECT_EQ(assigned.x(), -1.0);
    EXPECT_EQ(assigned.z(), 7.0);
}

}  // namespace
