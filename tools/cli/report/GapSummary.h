// info --gaps: each marker's gaps (how many, the longest, the frames in
// all) and what --fill-gaps auto fills of them, as text and as JSON.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tovfileio/clean/GapFill.h"
#include "tovfileio/trc/TRCFile.h"

struct MarkerGapSummary {
    std::wstring name;
    std::uint64_t gaps = 0, longest = 0, frames = 0;
    std::uint64_t filled = 0;
    std::map<std::string, std::uint64_t> methods;  // the fills by method
};

// The markers of `take` (its rows kept in its markers) that have gaps,
// `gaps` being FindGaps' and `fill` what FillGaps made of them.
std::vector<MarkerGapSummary> SummariseGaps(const tovfileio::TRCFile& take,
                                            const std::vector<tovfileio::MarkerGap>& gaps,
                                            const tovfileio::GapFillReport& fill);

// "  Gaps:              2 markers, 3 gaps; --fill-gaps auto fills 2" and a
// line a marker.
std::string GapsText(const std::vector<MarkerGapSummary>& markers);
// `record`, a --json record ending in "}\n", with "gaps": [...] added.
std::string WithGapsJson(const std::string& record, const std::vector<MarkerGapSummary>& markers);
