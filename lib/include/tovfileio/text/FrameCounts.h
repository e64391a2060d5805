// How far a file's header may overstate the frames it holds before it is
// not believed: an importer then keys only the frames held, and a writer
// pads to the header's count only when asked to. A header that claims a
// billion frames of a ten-frame file would otherwise fill a scene or a disk.
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

}  // namespace tovfileio
