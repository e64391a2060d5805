#include <gtest/gtest.h>

#include "tests/support/PoseCheck.h"
#include "tovfileio/htr/HTRPose.h"

using namespace tovfileio;

namespace {

constexpr double kQuarter = 1.5707963267948966;

// A root turned by its frame and base rotations and one child one unit
// along the root's Y axis: where the child stands shows how the turns
// compose. A child without frames stands as the importer keys it: no
// motion, at its parent's origin.
TEST(HTRPose, ComposesFrameThenBaseRotationThroughTheParent) {
    struct Case {
        const char* label;
        double baseX, baseZ;    // the root's base rotation
        double frameX, frameZ;  // the root's frame-0 rotation
        double x, y, z;         // where the child stands
        bool childFrames = true;
    };
    const Case cases[] = {
        {"no turn", 0, 0, 0, 0, 5, 1, 0},
        {"a frame turn about Z", 0, 0, 0, kQuarter, 4, 0, 0},
        {"a base turn about Z", 0, kQuarter, 0, 0, 4, 0, 0},
        // The frame turn applies first: X takes +Y to +Z, which Z keeps.
        {"frame about X, then base about Z", 0, kQuarter, kQuarter, 0, 5, 0, 1},
        {"frame about Z, then base about X", kQuarter, 0, 0, kQuarter, 4, 0, 0},
        {"a child without frames", 0, kQuarter, kQuarter, 0, 5, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HTRFile htr;
        HTRSegment* root = htr.AddSegment(HTRSegment(L"Root"));
        HTRSegment* child = htr.AddSegment(HTRSegment(L"Child"));
        child->SetParent(root);
        root->SetRoot(true);
        root->SetBaseTranslation(5, 0, 0);
        root->SetBaseRotationAngles(c.baseX, 0, c.baseZ);
        root->AppendFrame(0, 0, 0, c.frameX, 0, c.frameZ, 1);
        child->SetBaseTranslation(0, 1, 0);
        if (c.childFrames) child->AppendFrame(0, 0, 0, 0, 0, 0, 2);  // scale moves nothing
        tovtest::ExpectPlacedAt(htr, L"Child", 0, c.x, c.y, c.z);
    }
}

TEST(HTRPose, PlacesEverySegmentOnceOnLoopsAndListOrderOutOfHierarchy) {
    HTRFile htr;
    // Listed child first; a two-segment loop; a segment its own parent.
    HTRSegment* leaf = htr.AddSegment(HTRSegment(L"Leaf"));
    HTRSegment* top = htr.AddSegment(HTRSegment(L"Top"));
    HTRSegment* a = htr.AddSegment(HTRSegment(L"A"));
    HTRSegment* b = htr.AddSegment(HTRSegment(L"B"));
    HTRSegment* self = htr.AddSegment(HTRSegment(L"Self"));
    leaf->SetParent(top);
    a->SetParent(b);
    b->SetParent(a);
    self->SetParent(self);
    for (std::uint32_t s = 0; s < htr.SegmentCount(); ++s) {
        htr.Segment(s)->SetBaseTranslation(1, 0, 0);
    }
    HTRPose pose(htr);
    EXPECT_EQ(pose.Order(), (std::vector<std::uint32_t>{1, 0, 2, 3, 4}));
    EXPECT_EQ(pose.PlacedUnder(0), 1);
    EXPECT_EQ(pose.PlacedUnder(2), -1);
    EXPECT_EQ(pose.PlacedUnder(3), 2);
    EXPECT_EQ(pose.PlacedUnder(4), -1);
    pose.AtBase();
    EXPECT_DOUBLE_EQ(pose.WorldPosition(0).x(), 2);
    EXPECT_DOUBLE_EQ(pose.WorldPosition(3).x(), 2);
    EXPECT_DOUBLE_EQ(pose.WorldPosition(4).x(), 1);
    // No frames: the size is the base position's, from x 1 to x 2.
    EXPECT_DOUBLE_EQ(SkeletonSize(htr), 1.0);
}

}  // namespace
