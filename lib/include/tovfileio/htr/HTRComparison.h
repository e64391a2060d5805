// How far one HTR model is from another: the header values, the hierarchy
// by segment name, and per segment the largest differences of translation,
// bone length and rotation over the base position and every frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tovfileio/htr/HTRFile.h"

namespace tovfileio {

// The units a file is written in: the reader keeps its lengths in them and
// turns its angles into radians.
struct HTRWrittenUnits {
    CalibrationUnits lengths = kUnitsMillimetres;
    RotationUnits angles = kRotationDegrees;
};

inline HTRWrittenUnits UnitsWritten(const HTRFile& file) {
    return {file.GetCalibrationUnits(), file.GetRotationUnits()};
}

// A header value that differs: its keyword ("NumFrames") and the two values.
struct HTRHeaderDifference {
    const char* keyword = "";
    std::int64_t first = 0;
    std::int64_t second = 0;
};

struct HTRSegmentDifference {
    std::wstring name;
    std::wstring parent;  // in the first model; empty for the root
    bool missing = false;  // no segment of this name in the second model
    bool parentDiffers = false;
    double translation = 0.0;  // largest, in the first model's units
    double length = 0.0;
    double rotationDegrees = 0.0;  // largest angle between the two rotations
    bool withinTolerance = true;
};

struct HTRComparison {
    // Header values that differ, in the order NumSegments, NumFrames,
    // FirstFrame, DataFrameRate.
    std::vector<HTRHeaderDifference> headerValues;
    // The units each file was written in. The values are compared after
    // conversion, so other units alone keep a file within the tolerances.
    HTRWrittenUnits firstUnits;
    HTRWrittenUnits secondUnits;
    std::vector<HTRSegmentDifference> segments;  // in the first model's order
    double translation = 0.0;
    double length = 0.0;
    double rotationDegrees = 0.0;
    bool withinTolerance = true;
};

// Tolerances of a value that went through the host's single precision:
// lengths within 1e-3 of the file's units, or within one unit in the last
// place of a float at the bone's distance from the origin when that is more
// (the host holds world placements in floats: 1.2e-7 of the distance,
// bounded by the lengths of the translations from the root down to the
// bone); rotations within 1e-4 degrees.
constexpr double kLengthTolerance = 1e-3;
constexpr double kRelativeTolerance = 1.2e-7;
constexpr double kRotationToleranceDegrees = 1e-4;

// Compares `second` with `first`; `second` must be in the first's
// calibration units and both in radians, as the reader leaves them.
// `secondWritten` are the units `second` was written in, before it was
// converted to the first's.
HTRComparison CompareHTR(const HTRFile& first, const HTRFile& second,
                         const HTRWrittenUnits& secondWritten);

}  // namespace tovfileio
