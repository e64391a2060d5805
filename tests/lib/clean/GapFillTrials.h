// Gaps cut into a real take where its markers were seen, filled by each
// method and measured against what was cut: how well gap filling does on
// data whose truth is known.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tovfileio/clean/GapFill.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovtest {

// Hides rows `first` to `first + length - 1` of marker `marker` when they and
// the rows on either side are seen; whether it did.
bool CutIfSeen(tovfileio::TRCFile& take, std::uint32_t marker, std::uint32_t first, std::uint32_t length);

// Cuts up to `perMarker` gaps of `length` rows into every marker, each where
// the marker is seen, at places spread over the take that differ from
// marker to marker; the gaps cut, by marker.
std::vector<tovfileio::MarkerGap> CutGaps(tovfileio::TRCFile& take, std::uint32_t length, std::uint32_t perMarker);

// The methods a take's trial compares, in this order; auto last.
inline constexpr std::array<tovfileio::GapMethod, 5> kComparedMethods{
    tovfileio::GapMethod::kLinear, tovfileio::GapMethod::kSpline, tovfileio::GapMethod::kRigid,
    tovfileio::GapMethod::kPattern, tovfileio::GapMethod::kAuto};

struct TakeTrial {
    std::string name;
    std::int32_t rate = 0;
    std::uint32_t cut = 0;       // gaps cut, of every length
    std::uint32_t compared = 0;  // of those, the gaps every compared method filled
    // The RMS distance from the truth over the compared gaps' samples, in
    // millimetres, by method in kComparedMethods' order.
    std::array<double, kComparedMethods.size()> rms{};
    // How often auto chose linear, spline, rigid and pattern on them.
    std::array<std::uint32_t, 4> autoChose{};
};

// Reads the take at `path` and cuts gaps of 0.1, 0.3 and 0.6 s into a copy
// for each length (the longest with the longest gap filled raised to fit),
// or with `gapRows` eight gaps of that many rows a marker, fills them with
// every compared method and measures the fills; the reader's message in
// `error` when it refuses the take.
TakeTrial TryTake(const std::string& path, std::wstring& error, std::uint32_t gapRows = 0);

}  // namespace tovtest
