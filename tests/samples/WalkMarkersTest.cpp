// The marker sample is what its generator makes of the skeleton sample, and
// holds the one dropout it keeps: the same walk, frame rate, frames and
// units as the skeleton.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tovfileio/htr/HTRFile.h"
#include "WalkMarkers.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

TEST(WalkMarkersTest, TheSampleIsWhatTheGeneratorMakesOfTheSkeleton) {
    HTRFile skeleton;
    ASSERT_EQ(skeleton.Read(tovtest::Wide(TOV_SOURCE_DIR "/samples/walk.htr")), L"");
    std::string trc, error;
    ASSERT_TRUE(tovsamples::WalkMarkersTrc(skeleton, "walk.trc", trc, error)) << error;
    EXPECT_EQ(trc, tovtest::ReadBytes(TOV_SOURCE_DIR "/samples/walk.trc"))
        << "remake it: walk_markers samples/walk.htr samples/walk.trc";

    TRCFile markers;
    ASSERT_EQ(markers.Read(tovtest::Wide(TOV_SOURCE_DIR "/samples/walk.trc")), L"");
    EXPECT_EQ(markers.GetDataRate(), skeleton.GetDataFrameRate());
    EXPECT_EQ(markers.GetNumRows(), skeleton.GetNumFrames());
    EXPECT_EQ(markers.GetStartFrame(), skeleton.GetFirstFrame());
    EXPECT_EQ(markers.GetUnits(), skeleton.GetCalibrationUnits());
    // One marker drops out, for a few frames in a row.
    std::vector<std::pair<std::wstring, std::vector<std::uint32_t>>> dropouts;
    for (std::uint32_t m = 0; m < markers.GetNumMarkers(); ++m) {
        std::vector<std::uint32_t> frames;
        for (std::uint32_t i = 0; i < markers.GetNumRows(); ++i) {
            double x, y, z;
            if (!markers.GetMarker(m)->GetPosition(i, x, y, z)) frames.push_back(i);
        }
        if (!frames.empty()) dropouts.emplace_back(markers.GetMarker(m)->GetName(), frames);
    }
    ASSERT_EQ(dropouts.size(), 1u);
    const std::vector<std::uint32_t>& frames = dropouts[0].second;
    EXPECT_GE(frames.size(), 2u);
    EXPECT_LE(frames.size(), 10u);
    EXPECT_EQ(frames.back() - frames.front() + 1, frames.size()) << "in a row";
}

}  // namespace
