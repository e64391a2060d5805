// Inputs no reader should trust: garbage, odd encodings, huge lines and
// every truncation of a valid file. Each reader's tests run them through
// its own rules and expect a result or the reader's own message.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace tovtest {

struct HostileInput {
    std::string name;
    std::string bytes;
};

// `text` in UTF-16, little-endian, with or without its byte-order mark.
inline std::string Utf16(const std::string& text, bool withMark) {
    std::string out = withMark ? std::string("\xFF\xFE", 2) : std::string();
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

// The generic cases, built around a valid file `valid` of the reader.
inline std::vector<HostileInput> HostileInputs(const std::string& valid) {
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    std::string withNuls = valid;
    for (std::size_t i = 3; i < withNuls.size(); i += 7) withNuls[i] = '\0';
    return {
        {"binary garbage", garbage},
        {"NUL bytes in a valid file", withNuls},
        {"UTF-16 with byte-order mark", Utf16(valid, true)},
        {"UTF-16 without byte-order mark", Utf16(valid, false)},
        {"lines of tabs only", std::string(200, '\t') + "\n" + std::string(100, '\t') + "\n\t\n"},
        {"one line of 50 MB", valid.substr(0, valid.find('\n') + 1) +
                                  std::string(50u << 20, '\t') + "x\n" + valid},
        {"only line ends", std::string(100000, '\n')},
    };
}

// A TRC file that names `markers` markers and holds `rows` rows of a frame
// number and a time, every marker's fields trimmed: a few megabytes that
// stand for markers times rows samples.
inline std::string TrimmedRowsTrc(int markers, int rows) {
    std::string text = "PathFileType\t4\t(X/Y/Z)\tbomb.trc\n"
                       "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n60\t60\t" +
                       std::to_string(rows) + "\t" + std::to_string(markers) + "\tmm\nFrame#\tTime";
    for (int m = 0; m < markers; ++m) text += "\tM" + std::to_string(m) + "\t\t";
    text += "\n\n\n";
    for (int r = 1; r <= rows; ++r) text += std::to_string(r) + "\t" + std::to_string(r / 60.0) + "\n";
    return text;
}

// An HTR file of one chain `segments` deep, with one frame.
inline std::string ChainHtr(int segments) {
    std::string text = "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments " +
                       std::to_string(segments) +
                       "\nNumFrames 1\nDataFrameRate 60\nEulerRotationOrder ZYX\n"
                       "CalibrationUnits mm\nRotationUnits Degrees\nGlobalAxisofGravity Y\n"
                       "BoneLengthAxis Y\nScaleFactor 1.0\n[SegmentNames&Hierarchy]\nS0\tGLOBAL\n";
    for (int s = 1; s < segments; ++s) {
        text += "S" + std::to_string(s) + "\tS" + std::to_string(s - 1) + "\n";
    }
    text += "[BasePosition]\n";
    for (int s = 0; s < segments; ++s) text += "S" + std::to_string(s) + "\t2\t10\t1\t0.5\t1.5\t0\t10\n";
    for (int s = 0; s < segments; ++s) text += "[S" + std::to_string(s) + "]\n1\t0\t0\t0\t1\t0\t0\t1\n";
    return text + "[EndOfFile]\n";
}

}  // namespace tovtest
