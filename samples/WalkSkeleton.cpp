#include "WalkSkeleton.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/htr/HTRPose.h"

namespace tovsamples {
namespace {

constexpr int kFrames = 40;
constexpr double kRate = 60.0;
constexpr double kCycleSeconds = 1.1;  // two steps
constexpr double kPi = 3.14159265358979323846;
// The height the lowest of the ankles and toes keeps at every frame: the
// foot on the floor carries the body.
constexpr double kFloorClearance = 40.0;

// A segment: its parent and its base position (translation from the
// parent, rotation in degrees, ZYX, and bone length along Y), in mm.
struct Segment {
    const char* name;
    const char* parent;
    double base[7];
};

// Standing upright, facing +Z with the left side along +X, arms hanging a
// little out from the sides; the thighs point down (180 degrees about Z),
// the feet forward along +Z (90 degrees about X).
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
    {"LFoot", "LShin", {0, 420, 0, 90, 0, 0, 140}},
    {"LToe", "LFoot", {0, 140, 0, 0, 0, 0, 60}},
    {"RThigh", "Hips", {-95, -60, 0, 0, 0, 180, 430}},
    {"RShin", "RThigh", {0, 430, 0, 0, 0, 0, 420}},
    {"RFoot", "RShin", {0, 420, 0, 90, 0, 0, 140}},
    {"RToe", "RFoot", {0, 140, 0, 0, 0, 0, 60}},
};

struct Motion {
    double t[3] = {};  // translation, mm
    double r[3] = {};  // rotation, degrees, about X, Y, Z
};

// Where segment `name` is at phase `p` of the cycle (radians) and time `t`
// (seconds). A thigh's positive X angle swings it forward, a shin's
// negative one bends the knee; the arms swing against the legs of their
// side and the elbows bend forward.
Motion MotionOf(const std::string& name, double p, double t) {
    Motion m;
    const double other = p + kPi;  // the right side, half a cycle on
    if (name == "Hips") {
        m.t[2] = 1250 * t;  // 1.25 m a second along +Z
        m.r[1] = 4 * std::sin(p);
        m.r[2] = 3 * std::cos(p);
    } else if (name == "LowerBack") {
        m.r[1] = -2 * std::sin(p);
    } else if (name == "Chest") {
        m.r[1] = -5 * std::sin(p);
    } else if (name == "LThigh" || name == "RThigh") {
        m.r[0] = 5 + 28 * std::sin(name[0] == 'L' ? p : other);
    } else if (name == "LShin" || name == "RShin") {
        m.r[0] = -30 * (1 + std::cos((name[0] == 'L' ? p : other) + 0.6));
    } else if (name == "LFoot" || name == "RFoot") {
        m.r[0] = 10 * std::sin((name[0] == 'L' ? p : other) - 0.8);
    } else if (name == "LUpperArm" || name == "RUpperArm") {
        m.r[0] = -20 * std::sin(name[0] == 'L' ? p : other);
    } else if (name == "LForearm" || name == "RForearm") {
        m.r[0] = 15 + 8 * std::sin(name[0] == 'L' ? p : other);
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

// The walk's text, the hips raised at each frame by `lift`.
std::string Text(const std::array<double, kFrames>& lift) {
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
            Motion m = MotionOf(s.name, 2 * kPi * t / kCycleSeconds, t);
            if (std::string(s.name) == "Hips") m.t[1] += lift[f];
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

}  // namespace

std::string WalkSkeletonHtr() {
    // The joints swing as MotionOf says; the hips are then raised or
    // lowered at each frame so that the lowest ankle or toe stands
    // kFloorClearance above the floor, as a planted foot holds the body.
    const std::array<double, kFrames> none{};
    tovfileio::HTRFile swing;
    if (!swing.ReadMemory(Text(none)).empty()) return std::string();
    tovfileio::HTRPose pose(swing);
    std::array<double, kFrames> lift{};
    std::array<std::uint32_t, 4> feet{};
    std::size_t found = 0;
    for (std::uint32_t s = 0; s < swing.SegmentCount(); ++s) {
        for (const wchar_t* name : {L"LFoot", L"LToe", L"RFoot", L"RToe"}) {
            if (swing.Segment(s)->Name() == name && found < feet.size()) feet[found++] = s;
        }
    }
    for (int f = 0; f < kFrames; ++f) {
        pose.At(static_cast<std::uint32_t>(f));
        double lowest = pose.WorldPosition(feet[0]).y();
        for (const std::uint32_t foot : feet) lowest = std::min(lowest, pose.WorldPosition(foot).y());
        // Rounded to the micrometre, as the file writes it.
        lift[f] = std::round((kFloorClearance - lowest) * 1e6) / 1e6;
    }
    return Text(lift);
}

}  // namespace tovsamples
