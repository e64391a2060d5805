// Gap filling of a marker take held whole: the samples where a marker was
// hidden are put back from the seen samples around the gap, or from the
// markers that move with it. Filled samples are valid and marked filled.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

enum class GapMethod {
    kAuto,     // per gap, the method that does best on the take itself
    kLinear,   // a straight line between the samples at the gap's ends
    kSpline,   // a cubic spline through the seen samples around the gap
    kRigid,    // carried by neighbours that keep their distances to it
    kPattern,  // one neighbour's path across the gap, offset to meet both ends
};

// "auto", "linear", "spline", "rigid", "pattern".
const char* GapMethodName(GapMethod method);
std::optional<GapMethod> GapMethodNamed(std::string_view name);

// The seen samples on each side of a gap that a spline fill passes
// through, at most: the nearest ones, however far other gaps push them.
inline constexpr std::uint32_t kSplineContext = 10;

struct GapFillOptions {
    GapMethod method = GapMethod::kAuto;
    // Gaps longer than this stay unfilled.
    double maxGapSeconds = 0.5;
};

// One run of samples where a marker is not valid: rows `first` to
// `first + length - 1` of marker `marker`.
struct MarkerGap {
    std::uint32_t marker = 0;
    std::uint32_t first = 0;
    std::uint32_t length = 0;
};

struct FilledGap {
    MarkerGap gap;
    GapMethod method = GapMethod::kLinear;  // the method used, never kAuto
};

struct GapFillReport {
    std::vector<FilledGap> filled;
    std::vector<MarkerGap> tooLong;     // longer than the options' longest gap
    std::vector<MarkerGap> atEnds;      // at the take's start or end: no seen sample on one side
    std::vector<MarkerGap> unfillable;  // the method asked for has not what it needs here
};

// The gaps of every marker of `take` (its rows kept in its markers), by
// marker and then by row, those at the start and end among them.
std::vector<MarkerGap> FindGaps(const TRCFile& take);

// Fills the gaps of every marker of `take` as `options` ask; what was
// filled and what was not, by marker and then by row.
GapFillReport FillGaps(TRCFile& take, const GapFillOptions& options);

}  // namespace tovfileio
