// An HTR file whose one segment stands 1e308 mm away in both its frames: a
// position a float cannot hold once imported, for the writers that must
// refuse it.
#pragma once

#include <string>

namespace tovtest {

inline std::string FarHtr() {
    std::string text =
        "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 2\n"
        "DataFrameRate 30\nEulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n"
        "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n[SegmentNames&Hierarchy]\n"
        "Hips\tGLOBAL\n[BasePosition]\nHips\t0\t0\t0\t0\t0\t0\t10\n[Hips]\n";
    for (const char* frame : {"1", "2"}) text += std::string(frame) + "\t1e308\t0\t0\t0\t0\t0\t1\n";
    return text + "[EndOfFile]\n";
}

}  // namespace tovtest
