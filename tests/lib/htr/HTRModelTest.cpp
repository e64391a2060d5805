#include <gtest/gtest.h>

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/math/TOVRotation.h"

using namespace tovfileio;

namespace {

TEST(HTRModelTest, SegmentListKeepsNamesUniqueAndBlankFree) {
    HTRFile htr;
    HTRSegment first(L"Arm");
    first.SetBoneLength(3.0);
    ASSERT_NE(htr.AddSegment(first), nullptr);

    HTRSegment second(L"Arm");
    second.SetBoneLength(9.0);
    EXPECT_EQ(htr.AddSegment(second), nullptr);
    EXPECT_EQ(htr.AddSegment(HTRSegment(L"Left Arm")), nullptr);
    EXPECT_NE(htr.AddSegment(HTRSegment(L"Left\tArm")), nullptr);  // only the space is refused
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
        HTRSegment* s = htr.AddSegment(HTRSegment(L"S"));
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
