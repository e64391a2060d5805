#include <gtest/gtest.h>

#include <cmath>

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/math/TOVRotation.h"

using namespace tovfileio;

namespace {

constexpr double kPi = 3.141592653589793;

HTRSegment Named(const wchar_t* name) { return HTRSegment(name); }

TEST(HTRModelTest, SegmentListKeepsNamesUniqueAndBlankFree) {
    HTRFile htr;
    HTRSegment first(L"Arm");
    first.SetBoneLength(3.0);
    ASSERT_NE(htr.AddSegment(first), nullptr);

    HTRSegment second(L"Arm");
    second.SetBoneLength(9.0);
    EXPECT_EQ(htr.AddSegment(second), nullptr);
    EXPECT_EQ(htr.AddSegment(Named(L"Left Arm")), nullptr);
    EXPECT_NE(htr.AddSegment(Named(L"Left\tArm")), nullptr);  // only the space is refused
    EXPECT_EQ(htr.SegmentCount(), 2u);
    EXPECT_EQ(htr.FindSegment(L"Arm")->GetBoneLength(), 3.0);
    EXPECT_EQ(htr.FindSegment(L"arm"), nullptr);
    EXPECT_EQ(htr.RootSegment(), nullptr);
    htr.Segment(1)->SetRoot(true);
    EXPECT_EQ(htr.RootSegment(), htr.Segment(1));
    EXPECT_EQ(htr.Segment(2), nullptr);

    HTRSegment* arm = htr.FindSegment(L"Arm");
    arm->SetParent(nullptr);
    EXPECT_EQ(htr.Segment(1)->ChildCount(), 0u);
    arm->SetParent(htr.Segment(1));
    EXPECT_EQ(htr.Segment(1)->Child(0), arm);
    EXPECT_EQ(htr.Segment(1)->Child(1), nullptr);
    EXPECT_EQ(htr.Segment(1)->Child(-1), nullptr);
}

TEST(HTRModelTest, FrameAccessOutOfRangeReadsAsNoMotion) {
    HTRSegment segment(L"S");
    segment.SetBaseTranslation(10.0, 20.0, 30.0);
    for (int i = 0; i < 3; ++i) segment.AppendFrame(1.0, 2.0, 3.0, 0.1, 0.2, 0.3, 2.0);
    double x = -1, y = -1, z = -1;
    segment.GetFrameTranslation(5, x, y, z);
    EXPECT_EQ(x + y + z, 0.0);
    segment.GetFrameRotationAngles(5, x, y, z);
    EXPECT_EQ(x + y + z, 0.0);
    EXPECT_EQ(segment.GetFrameScale(5), 1.0);
    EXPECT_EQ(segment.GetFrameScale(2), 2.0);
    EXPECT_FALSE(segment.SetFrameTranslation(3, 1.0, 1.0, 1.0));
    EXPECT_TRUE(segment.SetFrameTranslation(2, 4.0, 5.0, 6.0));
    const TOVVector3<double> absolute = segment.FrameTranslationAbsolute(2);
    EXPECT_EQ(absolute.x(), 14.0);
    EXPECT_EQ(absolute.z(), 36.0);
    EXPECT_EQ(segment.FrameTranslationAbsolute(5).x(), 0.0);  // not the base
    EXPECT_EQ(segment.FrameRotationAbsolute(5).angles.y(), 0.0);
}

TEST(HTRModelTest, FrameRotationAbsoluteAppliesFrameThenBase) {
    HTRSegment segment(L"S");
    segment.SetBaseRotationAngles(kPi / 2, 0.0, 0.0);  // about X
    segment.AppendFrame(0.0, 0.0, 0.0, 0.0, 0.0, kPi / 2, 1.0);  // about Z
    // The X axis: the frame's Z turn takes it to Y, the base's X turn takes
    // Y to Z; the Y axis goes to -X, which the base leaves.
    const TOVRotationMatrix3<double> m(segment.FrameRotationAbsolute(0));
    const double expected[2][3] = {{0, 0, 1}, {-1, 0, 0}};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m(r, c), expected[r][c], 1e-12) << r << c;
    }
    // The base's matrix made once gives the same angles to the bit.
    segment.AppendFrame(0.0, 0.0, 0.0, 0.3, -1.2, 2.9, 1.0);
    const TOVRotationMatrix3<double> base(segment.BaseRotation());
    for (std::uint32_t i : {0u, 1u, 2u}) {
        const auto once = segment.FrameRotationAbsolute(i, base).angles;
        const auto each = segment.FrameRotationAbsolute(i).angles;
        EXPECT_EQ(once.x(), each.x());
        EXPECT_EQ(once.y(), each.y());
        EXPECT_EQ(once.z(), each.z());
    }
}

TEST(HTRModelTest, CopiedSegmentTakesTheDefaultOrder) {
    HTRSegment source(L"S");
    const TOVEulerRotation<double> given(0.3, -0.2, 0.1, TOVEulerOrder(20));
    source.SetBaseRotation(given);
    // Stored as the same rotation in the segment's own order (code 0), then copied unchanged.
    EXPECT_EQ(source.BaseRotation().order.code, 0u);
    const TOVRotationMatrix3<double> expected(given), actual(source.BaseRotation());
    for (int e = 0; e < 9; ++e) EXPECT_NEAR(actual(e / 3, e % 3), expected(e / 3, e % 3), 1e-12);
    const HTRSegment copy(source);
    double x, y, z, cx, cy, cz;
    source.GetBaseRotationAngles(x, y, z);
    copy.GetBaseRotationAngles(cx, cy, cz);
    EXPECT_TRUE(x == cx && y == cy && z == cz) << cx << " " << cy << " " << cz;
}

TEST(HTRModelTest, UnitConversionScalesLengthsOnly) {
    struct Case { CalibrationUnits from, to; double factor; };
    const Case cases[] = {
        {kUnitsMillimetres, kUnitsCentimetres, 0.1},
        {kUnitsInches, kUnitsMillimetres, 25.4},
        {kUnitsMetres, kUnitsYards, 1000 * (0.0393700787 / 36)},
        {kUnitsMillimetres, kUnitsMillimetres, 1.0},
        {static_cast<CalibrationUnits>(9), kUnitsMillimetres, 0.0},
    };
    for (const Case& c : cases) {
        HTRFile htr;
        htr.SetCalibrationUnits(c.from);
        htr.SetNumFrames(2);
        HTRSegment* s = htr.AddSegment(Named(L"S"));
        s->SetBaseTranslation(1.0, 2.0, 4.0);
        s->SetBaseRotationAngles(0.5, 0.5, 0.5);
        s->SetBoneLength(8.0);
        s->SetReferenceScale(3.0);
        for (int i = 0; i < 3; ++i) s->AppendFrame(1.0, 1.0, 1.0, 0.25, 0.25, 0.25, 2.0);
        htr.ConvertCalibrationUnits(c.to);
        EXPECT_EQ(htr.GetCalibrationUnits(), c.to);
        double x, y, z;
        s->GetBaseTranslation(x, y, z);
        EXPECT_EQ(z, 4.0 * c.factor) << c.from << " to " << c.to;
        EXPECT_EQ(s->GetBoneLength(), 8.0 * c.factor);
        s->GetFrameTranslation(1, x, y, z);
        EXPECT_EQ(x, c.factor);
        // Only frames below NumFrames are scaled.
        s->GetFrameTranslation(2, x, y, z);
        EXPECT_EQ(x, 1.0);
        s->GetFrameRotationAngles(1, x, y, z);
        EXPECT_EQ(x, 0.25);
        EXPECT_EQ(s->GetFrameScale(1), 2.0);
        EXPECT_EQ(s->GetReferenceScale(), 3.0);
    }
}

}  // namespace
