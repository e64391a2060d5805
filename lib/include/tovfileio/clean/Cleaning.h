// The cleaning of a marker take as a list of steps, applied in the order
// given: gap filling, the low-pass filter and the edits. A conversion runs
// them between reading a take and writing it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tovfileio/clean/GapFill.h"
#include "tovfileio/clean/LowPass.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

struct CleaningStep {
    enum class Kind { kFillGaps, kLowPass, kKeepFrames, kRename, kKeepMarkers, kDropMarkers };
    Kind kind = Kind::kFillGaps;
    GapFillOptions fill;                                          // kFillGaps
    double cutoff = 0.0;                                          // kLowPass, in Hz
    std::int64_t from = 0, to = 0;                                // kKeepFrames
    std::vector<std::pair<std::wstring, std::wstring>> renames;  // kRename: old, new
    bool skipAbsent = false;  // kRename: a map's pairs; one naming no marker is passed over
    std::vector<std::wstring> names;                              // kKeepMarkers, kDropMarkers
};

// What the steps did, one entry per fill and per filter, in their order,
// with the names the markers had when the step ran.
struct CleaningReport {
    struct Fill {
        GapFillReport report;
        std::vector<std::wstring> markers;  // by index, as the gaps name them
        std::int64_t startFrame = 1;        // the number of row 0 then
        double rate = 0.0;                  // the take's frames a second
        GapFillOptions options;
    };
    struct Filter {
        LowPassReport report;
        double cutoff = 0.0;
    };
    std::vector<Fill> fills;
    std::vector<Filter> filters;
};

// Applies `steps` to `take` (its rows kept in its markers) in order. Empty
// on success; else why the take was refused (a marker or frame it does not
// hold, a cut-off it cannot have), the take then partly cleaned.
std::wstring CleanTake(TRCFile& take, std::span<const CleaningStep> steps, CleaningReport& report);

}  // namespace tovfileio
