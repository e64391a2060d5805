// The skeleton sample is what its generator makes, and it walks: feet swing
// forward and back, not out to the sides, each coming down to the floor in
// turn, steps of a person's length, the body carried forward, and each arm
// swinging against the leg of its side.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "WalkSkeleton.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/htr/HTRPose.h"

using namespace tovfileio;

namespace {

TEST(WalkSkeletonTest, TheSampleIsWhatTheGeneratorMakes) {
    EXPECT_EQ(tovsamples::WalkSkeletonHtr(), tovtest::ReadBytes(TOV_SOURCE_DIR "/samples/walk.htr"))
        << "remake it: walk_skeleton samples/walk.htr";
}

TEST(WalkSkeletonTest, ItWalks) {
    HTRFile walk;
    ASSERT_EQ(walk.Read(tovtest::Wide(TOV_SOURCE_DIR "/samples/walk.htr")), L"");
    auto index = [&](const wchar_t* name) {
        for (std::uint32_t s = 0; s < walk.SegmentCount(); ++s) {
            if (walk.Segment(s)->Name() == name) return s;
        }
        ADD_FAILURE() << "no segment";
        return 0u;
    };
    const std::uint32_t hips = index(L"Hips"), lToe = index(L"LToe"), rToe = index(L"RToe"),
                        lHand = index(L"LHand");
    HTRPose pose(walk);
    pose.At(0);
    const double lx0 = pose.WorldPosition(lToe).x(), rx0 = pose.WorldPosition(rToe).x();
    const double hipsStart = pose.WorldPosition(hips).z();
    double sideways = 0, stride = 0, counterSwing = 0;
    double lowestLeft = 1e9, lowestRight = 1e9, lowestOfAll = 1e9;
    for (std::uint32_t f = 0; f < walk.GetNumFrames(); ++f) {
        pose.At(f);
        const auto& l = pose.WorldPosition(lToe);
        const auto& r = pose.WorldPosition(rToe);
        sideways = std::max({sideways, std::abs(l.x() - lx0), std::abs(r.x() - rx0)});
        stride = std::max(stride, std::abs(l.z() - r.z()));
        lowestLeft = std::min(lowestLeft, l.y());
        lowestRight = std::min(lowestRight, r.y());
        lowestOfAll = std::min({lowestOfAll, l.y(), r.y()});
        const double hipsZ = pose.WorldPosition(hips).z();
        // The left hand is ahead of the hips as the left foot is behind.
        if (std::abs(l.z() - r.z()) > 400) {
            counterSwing += (l.z() - hipsZ) * (pose.WorldPosition(lHand).z() - hipsZ) < 0 ? 1 : -1;
        }
    }
    pose.At(walk.GetNumFrames() - 1);
    EXPECT_LT(sideways, 120.0);  // mm: the pelvis turns and dips, the legs do not scissor
    EXPECT_GT(stride, 600.0);    // a step of about 0.65 m between the toes
    // Each foot comes down to the floor in turn, and none goes through it.
    EXPECT_LT(lowestLeft, 60.0);
    EXPECT_LT(lowestRight, 60.0);
    EXPECT_GT(lowestOfAll, 0.0);
    EXPECT_GT(pose.WorldPosition(hips).z() - hipsStart, 700.0);  // along +Z, where it faces
    EXPECT_GT(counterSwing, 0.0);
}

}  // namespace
