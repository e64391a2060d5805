// What the importers share about frames and keys: the warning for a header
// that claims far more frames than a file holds (FrameCounts.h says how
// many is too many), whether key times fit the scene's time, and clearing
// the keys of a range before keying it again.
#pragma once

#include <cstdint>
#include <string>

#include "brindle/sdk/SceneObjects.h"

// The warning for such a header: "The header of this file claims N frames,
// but the file holds H; only the frames it holds are imported."
std::wstring FramesClaimedWarning(std::uint64_t claimed, std::uint32_t held);

// `value` clamped to the 32-bit range.
std::int32_t ClampToInt32(std::int64_t value);
// Whether a tick count is a time of the scene (32 bits).
bool FitsTime(std::int64_t ticks);

// Removes every key of `control` at a time from `from` up to, not including,
// `to`. Walking the keys rather than the ticks keeps the cost to the keys
// there are, whatever the number of ticks a frame has.
void DeleteKeysBetween(Control* control, TimeValue from, TimeValue to);
