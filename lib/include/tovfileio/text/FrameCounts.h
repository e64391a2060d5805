// How far a file's header may overstate the frames it holds before it is
// not believed: an importer then keys only the frames held, and a writer
// pads to the header's count only when asked to. A header that claims a
// billion frames of a ten-frame file would otherwise fill a scene or a disk.
// And how far frame numbers go.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tovfileio {

// Frames a header may claim beyond those held, at the least.
inline constexpr std::uint64_t kFramesClaimedAllowance = 1000;

// Whether a header's `claimed` frames are more than the `held` frames plus
// as many again, and at least kFramesClaimedAllowance more.
constexpr bool ClaimsTooManyFrames(std::uint64_t claimed, std::uint64_t held) {
    return claimed > held && claimed - held > std::max(held, kFramesClaimedAllowance);
}

// Frame numbers are 32-bit in every file the libraries write. Whether
// `frames` frames numbered on from `first` all have one: the first and the
// last within -2147483648 to 2147483647 (no frames: the first alone). A
// writer refuses what does not fit rather than wrap it round.
constexpr bool FrameNumbersFit(std::int64_t first, std::int64_t frames) {
    constexpr std::int64_t kLowest = -2147483647 - 1, kHighest = 2147483647;
    if (first < kLowest || first > kHighest) return false;
    return frames <= 0 || frames - 1 <= kHighest - first;
}

}  // namespace tovfileio
