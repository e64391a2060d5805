#include "cli/report/HtrComparison.h"

using namespace tovfileio;

namespace {

const char* AnglesKeyword(RotationUnits units) {
    return units == kRotationRadians ? "Radians" : "Degrees";
}

std::vector<std::string> UnitLines(const HTRWrittenUnits& first, const HTRWrittenUnits& second) {
    std::vector<std::string> lines;
    if (first.lengths != second.lengths) {
        lines.push_back(std::string("CalibrationUnits: ") + CalibrationUnitsKeyword(first.lengths) +
                        " against " + CalibrationUnitsKeyword(second.lengths));
    }
    if (first.angles != second.angles) {
        lines.push_back(std::string("RotationUnits: ") + AnglesKeyword(first.angles) +
                        " against " + AnglesKeyword(second.angles));
    }
    return lines;
}

}  // namespace

HtrDifference WordDifferences(const HTRComparison& comparison) {
    HtrDifference worded;
    static_cast<HTRComparison&>(worded) = comparison;
    for (const HTRHeaderDifference& value : comparison.headerValues) {
        worded.header.push_back(std::string(value.keyword) + ": " + std::to_string(value.first) +
                                " against " + std::to_string(value.second));
    }
    worded.units = UnitLines(comparison.firstUnits, comparison.secondUnits);
    return worded;
}
