#include "WalkSkeleton.h"

#include <cmath>
#include <cstdio>

namespace tovsamples {
namespace {

constexpr int kFrames = 40;
constexpr double kRate = 60.0;
constexpr double kCycleSeconds = 1.1;  // two steps
constexpr double kPi = 3.14159265358979323846;

// A segment: its parent and its base position (translation from the
// parent, rotation in degrees, ZYX, and bone length along Y), in mm.
struct Segment {
    const char* name;
    const char* parent;
    double base[7];
};

// Standing upright, arms hanging a little out from the sides; the thighs
// point down (180 degrees about Z), the feet forward along -Z.
constexpr Segment kSegments[] = {
    {"Hips", "GLOBAL", {0, 950, 0, 0, 0, 0, 110}},
    {"LowerBack", "Hips", {0, 110, 0, -4, 0, 0, 160}},
    {"Chest", "LowerBack", {0, 160, 0, 3, 0, 0, 210}},
    {"Neck", "Chest", {0, 210, 0, 8, 0, 0, 90}},
    {"Head", "Neck", {0, 90, 0, -6, 0, 0, 220}},
    {"LClavicle", "Chest", {30, 180, 0, 0, 0, -85, 160}},
    {"LUpperArm", "LClavicle", {0, 160, 0, 0, 0, -80, 290}},
    {"LForearm", "LUpperArm", {0, 290, 0, 0, 0, 0, 260}},
    {"LHand", "LForearm", {0, 260, 0, 0, 0, 0, 90}},
    {"RClavicle", "Chest", {-30, 180, 0, 0, 0, 85, 160}},
    {"RUpperArm", "RClavicle", {0, 160, 0, 0, 0, 80, 290}},
    {"RForearm", "RUpperArm", {0, 290, 0, 0, 0, 0, 260}},
    {"RHand", "RForearm", {0, 260, 0, 0, 0, 0, 90}},
    {"LThigh", "Hips", {95, -60, 0, 0, 0, 180, 430}},
    {"LShin", "LThigh", {0, 430, 0, 0, 0, 0, 420}},
    {"LFoot", "LShin", {0, 420, 0, -90, 0, 0, 140}},
    {"LToe", "LFoot", {0, 140, 0, 0, 0, 0, 60}},
    {"RThigh", "Hips", {-95, -60, 0, 0, 0, 180, 430}},
    {"RShin", "RThigh", {0, 430, 0, 0, 0, 0, 420}},
    {"RFoot", "RShin", {0, 420, 0, -90, 0, 0, 140}},
    {"RToe", "RFoot", {0, 140, 0, 0, 0, 0, 60}},
};

struct Motion {
    double t[3] = {};  // translation, mm
    double r[3] = {};  // rotation, degrees, about X, Y, Z
};

// Where segment `name` is at phase `p` of the cycle (radians) and time `t`
// (seconds). A thigh's positive X angle swings it back; a shin's bends the
// knee; the arms swing against the legs of their side and the elbows bend
// forward.
Motion MotionOf(const std::string& name, double p, double t) {
    Motion m;
    const double other = p + kPi;  // the right side, half a cycle on
    if (name == "Hips") {
        m.t[1] = 12 * std::cos(2 * p);  // lowest as each foot lands
        m.t[2] = -1250 * t;             // 1.25 m a second along -Z
        m.r[1] = 4 * std::sin(p);
        m.r[2] = 3 * std::cos(p);
    } else if (name == "LowerBack") {
        m.r[1] = -2 * std::sin(p);
    } else if (name == "Chest") {
        m.r[1] = -5 * std::sin(p);
    } else if (name == "LThigh" || name == "RThigh") {
        m.r[0] = 5 + 28 * std::sin(name[0] == 'L' ? p : other);
    } else if (name == "LShin" || name == "RShin") {
        m.r[0] = 30 * (1 + std::cos((name[0] == 'L' ? p : other) + 0.6));
    } else if (name == "LFoot" || name == "RFoot") {
        m.r[0] = 10 * std::sin((name[0] == 'L' ? p : other) - 0.8);
    } else if (name == "LUpperArm" || name == "RUpperArm") {
        m.r[0] = -20 * std::sin(name[0] == 'L' ? p : other);
    } else if (name == "LForearm" || name == "RForearm") {
        m.r[0] = -(15 + 8 * std::sin(name[0] == 'L' ? p : other));
    }
    return m;
}

void Line(std::string& out, const std::string& text) { out += text + "\r\n"; }

void Fixed(std::string& out, double value) {
    char text[48];
    // A value that rounds to zero is written without its sign.
    std::snprintf(text, sizeof text, "\t%.6f", std::fabs(value) < 5e-7 ? 0.0 : value);
    out += text;
}

}  // namespace

std::string WalkSkeletonHtr() {
    std::string out;
    for (const char* text :
         {"# Tovelund HTR (source:TOVFileLib v1.10)", "[Header]", "# KeyWord<space>Value<CR>",
          "FileType htr", "DataType HTRS", "FileVersion 1", "NumSegments 21", "NumFrames 40",
          "DataFrameRate 60", "EulerRotationOrder ZYX", "CalibrationUnits mm",
          "RotationUnits Degrees", "GlobalAxisofGravity Y", "BoneLengthAxis Y", "ScaleFactor 1.00",
          "[SegmentNames&Hierarchy]", "# ObjectName<tab>ParentObjectName<CR>"}) {
        Line(out, text);
    }
    for (const Segment& s : kSegments) Line(out, std::string(s.name) + "\t" + s.parent);
    Line(out, "[BasePosition]");
    Line(out, "# ObjectName<tab>Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneLength<CR>");
    for (const Segment& s : kSegments) {
        out += s.name;
        for (const double value : s.base) Fixed(out, value);
        out += "\r\n";
    }
    for (const Segment& s : kSegments) {
        Line(out, std::string("[") + s.name + "]");
        Line(out, "# Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneScaleFactor<CR>");
        for (int f = 0; f < kFrames; ++f) {
            const double t = f / kRate;
            const Motion m = MotionOf(s.name, 2 * kPi * t / kCycleSeconds, t);
            out += std::to_string(f + 1);
            for (const double value : m.t) Fixed(out, value);
            for (const double value : m.r) Fixed(out, value);
            Fixed(out, 1.0);
            out += "\r\n";
        }
    }
    Line(out, "[EndOfFile]");
    return out;
}

}  // namespace tovsamples
