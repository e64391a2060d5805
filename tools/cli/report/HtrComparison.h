// The comparison of two HTR files as roundtrip reports it: the header values
// and units that differ as lines of text.
#pragma once

#include <string>
#include <vector>

#include "tovfileio/htr/HTRComparison.h"

using SegmentDifference = tovfileio::HTRSegmentDifference;

struct HtrDifference : tovfileio::HTRComparison {
    // Header values that differ, as "NAME: FIRST against SECOND".
    std::vector<std::string> header;
    // The units, as written, where they differ ("CalibrationUnits: in
    // against mm").
    std::vector<std::string> units;
};

HtrDifference WordDifferences(const tovfileio::HTRComparison& comparison);
