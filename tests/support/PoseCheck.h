// Where a model's pose places a segment, for the tables of the HTR pose and
// of the readers that build models from other formats' channels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tovfileio/htr/HTRPose.h"

namespace tovtest {

// Expects the segment named `name` of `htr` at (x, y, z) in the world at
// `frame`, to 1e-12.
inline void ExpectPlacedAt(const tovfileio::HTRFile& htr, const std::wstring& name,
                           std::uint32_t frame, double x, double y, double z) {
    const tovfileio::HTRSegment* segment = htr.FindSegment(name);
    ASSERT_NE(segment, nullptr);
    std::uint32_t index = 0;
    while (htr.Segment(index) != segment) ++index;
    tovfileio::HTRPose pose(htr);
    pose.At(frame);
    const auto& p = pose.WorldPosition(index);
    EXPECT_NEAR(p.x(), x, 1e-12);
    EXPECT_NEAR(p.y(), y, 1e-12);
    EXPECT_NEAR(p.z(), z, 1e-12);
}

}  // namespace tovtest
