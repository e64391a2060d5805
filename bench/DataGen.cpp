#include "bench/DataGen.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace tovgen {
namespace {

struct HumanBone {
    const char* name;
    const char* parent;
    double tx, ty, tz;  // offset from the parent, millimetres
    double rx, ry, rz;  // base orientation, degrees
    double length;      // bone length along Y, millimetres
};

// Y is up; the figure faces +Z.
constexpr HumanBone kHuman[] = {
    {"Hips", "GLOBAL", 0.0, 950.0, 0.0, 0.0, 0.0, 0.0, 110.0},
    {"LowerBack", "Hips", 0.0, 110.0, 0.0, -4.0, 0.0, 0.0, 160.0},
    {"Chest", "LowerBack", 0.0, 160.0, 0.0, 3.0, 0.0, 0.0, 210.0},
    {"Neck", "Chest", 0.0, 210.0, 0.0, 8.0, 0.0, 0.0, 90.0},
    {"Head", "Neck", 0.0, 90.0, 0.0, -6.0, 0.0, 0.0, 220.0},
    {"LClavicle", "Chest", 30.0, 180.0, 0.0, 0.0, 0.0, -85.0, 160.0},
    {"LUpperArm", "LClavicle", 0.0, 160.0, 0.0, 0.0, 0.0, -80.0, 290.0},
    {"LForearm", "LUpperArm", 0.0, 290.0, 0.0, 0.0, 0.0, 0.0, 260.0},
    {"LHand", "LForearm", 0.0, 260.0, 0.0, 0.0, 0.0, 0.0, 90.0},
    {"RClavicle", "Chest", -30.0, 180.0, 0.0, 0.0, 0.0, 85.0, 160.0},
    {"RUpperArm", "RClavicle", 0.0, 160.0, 0.0, 0.0, 0.0, 80.0, 290.0},
    {"RForearm", "RUpperArm", 0.0, 290.0, 0.0, 0.0, 0.0, 0.0, 260.0},
    {"RHand", "RForearm", 0.0, 260.0, 0.0, 0.0, 0.0, 0.0, 90.0},
    {"LThigh", "Hips", 95.0, -60.0, 0.0, 0.0, 0.0, 180.0, 430.0},
    {"LShin", "LThigh", 0.0, 430.0, 0.0, 0.0, 0.0, 0.0, 420.0},
    {"LFoot", "LShin", 0.0, 420.0, 0.0, -90.0, 0.0, 0.0, 140.0},
    {"LToe", "LFoot", 0.0, 140.0, 0.0, 0.0, 0.0, 0.0, 60.0},
    {"RThigh", "Hips", -95.0, -60.0, 0.0, 0.0, 0.0, 180.0, 430.0},
    {"RShin", "RThigh", 0.0, 430.0, 0.0, 0.0, 0.0, 0.0, 420.0},
    {"RFoot", "RShin", 0.0, 420.0, 0.0, -90.0, 0.0, 0.0, 140.0},
    {"RToe", "RFoot", 0.0, 140.0, 0.0, 0.0, 0.0, 0.0, 60.0},
};
constexpr std::uint32_t kHumanCount = sizeof kHuman / sizeof kHuman[0];

struct Bone {
    std::string name;
    std::string parent;
    double base[7];
    // Swing of each angle: amplitude in degrees and phase in radians.
    double amplitude[3];
    double phase[3];
};

// Segment `i` of a chain or of a wide hierarchy: "S<i>", each a short bone
// offset from its parent.
Bone PlainBone(HtrShape shape, std::uint32_t i) {
    Bone bone;
    bone.name = "S" + std::to_string(i);
    if (i == 0) {
        bone.parent = "GLOBAL";
    } else {
        bone.parent = shape == HtrShape::kChain ? "S" + std::to_string(i - 1) : "S0";
    }
    const double offsets[7] = {2.0, 10.0, 1.0, 0.5, 1.5, 0.0, 10.0};
    for (int k = 0; k < 7; ++k) bone.base[k] = offsets[k];
    return bone;
}

std::vector<Bone> MakeSkeleton(const HtrOptions& options, std::mt19937_64& random) {
    std::uniform_real_distribution<double> amplitude(2.0, 25.0);
    std::uniform_real_distribution<double> phase(0.0, 6.283185307179586);
    std::vector<Bone> bones;
    bones.reserve(options.segments);
    for (std::uint32_t i = 0; i < options.segments; ++i) {
        Bone bone;
        if (options.shape != HtrShape::kHuman) {
            bone = PlainBone(options.shape, i);
        } else if (i < kHumanCount) {
            const HumanBone& human = kHuman[i];
            bone.name = human.name;
            bone.parent = human.parent;
            bone.base[0] = human.tx;
            bone.base[1] = human.ty;
            bone.base[2] = human.tz;
            bone.base[3] = human.rx;
            bone.base[4] = human.ry;
            bone.base[5] = human.rz;
            bone.base[6] = human.length;
        } else {
            // Extra chains of four links, each chain hanging from the chest.
            const std::uint32_t extra = i - kHumanCount;
            char name[32];
            std::snprintf(name, sizeof name, "Extra%04u", extra);
            bone.name = name;
            if (extra % 4 == 0) {
                bone.parent = "Chest";
            } else {
                std::snprintf(name, sizeof name, "Extra%04u", extra - 1);
                bone.parent = name;
            }
            const double offsets[7] = {10.0, 50.0, 5.0, 0.0, 15.0, 0.0, 50.0};
            for (int k = 0; k < 7; ++k) bone.base[k] = offsets[k];
        }
        for (int k = 0; k < 3; ++k) {
            bone.amplitude[k] = amplitude(random);
            bone.phase[k] = phase(random);
        }
        bones.push_back(std::move(bone));
    }
    return bones;
}

void AppendLine(std::string& out, const char* text) {
    out += text;
    out += "\r\n";
}

void AppendFixed(std::string& out, double value) {
    char buffer[48];
    const int n = std::snprintf(buffer, sizeof buffer, "\t%.6f", value);
    out.append(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::string GenerateHtr(const HtrOptions& options) {
    std::mt19937_64 random(options.seed);
    const std::vector<Bone> bones = MakeSkeleton(options, random);
    const std::uint32_t frames = options.frames == 0 ? 1 : options.frames;

    std::string out;
    out.reserve(static_cast<std::size_t>(bones.size()) * (frames + 4) * 80 + 1024);
    char line[256];
    AppendLine(out, "# Tovelund HTR (source:TOVFileLib v1.10)");
    AppendLine(out, "[Header]");
    AppendLine(out, "# KeyWord<space>Value<CR>");
    AppendLine(out, "FileType htr");
    AppendLine(out, "DataType HTRS");
    AppendLine(out, "FileVersion 1");
    std::snprintf(line, sizeof line, "NumSegments %u", options.segments);
    AppendLine(out, line);
    std::snprintf(line, sizeof line, "NumFrames %u", frames);
    AppendLine(out, line);
    std::snprintf(line, sizeof line, "DataFrameRate %d", options.frameRate);
    AppendLine(out, line);
    AppendLine(out, "EulerRotationOrder ZYX");
    AppendLine(out, "CalibrationUnits mm");
    AppendLine(out, "RotationUnits Degrees");
    AppendLine(out, "GlobalAxisofGravity Y");
    AppendLine(out, "BoneLengthAxis Y");
    AppendLine(out, "ScaleFactor 1.00");
    AppendLine(out, "[SegmentNames&Hierarchy]");
    AppendLine(out, "# ObjectName<tab>ParentObjectName<CR>");
    for (const Bone& bone : bones) {
        out += bone.name + "\t" + bone.parent + "\r\n";
    }
    AppendLine(out, "[BasePosition]");
    AppendLine(out, "# ObjectName<tab>Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneLength<CR>");
    for (const Bone& bone : bones) {
        out += bone.name;
        for (double value : bone.base) AppendFixed(out, value);
        out += "\r\n";
    }
    const double rate = options.frameRate > 0 ? options.frameRate : 60;
    for (std::size_t b = 0; b < bones.size(); ++b) {
        const Bone& bone = bones[b];
        out += "[" + bone.name + "]\r\n";
        AppendLine(out, "# Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneScaleFactor<CR>");
        for (std::uint32_t f = 0; f < frames; ++f) {
            const double t = f / rate;
            // One stride a second; the root also travels forward and bobs.
            const double cycle = 6.283185307179586 * t;
            out += std::to_string(f + 1);
            const bool root = b == 0;
            AppendFixed(out, root ? 3.0 * std::sin(cycle) : 0.0);
            AppendFixed(out, root ? 20.0 * std::sin(2.0 * cycle) : 0.0);
            AppendFixed(out, root ? 1200.0 * t : 0.0);
            for (int k = 0; k < 3; ++k) {
                AppendFixed(out, bone.amplitude[k] * std::sin(cycle + bone.phase[k]));
            }
            AppendFixed(out, 1.0);
            out += "\r\n";
        }
    }
    AppendLine(out, "[EndOfFile]");
    return out;
}

namespace {

// Body-marker names for the first markers; further ones are numbered.
constexpr const char* kMarkerNames[] = {
    "LFHD", "RFHD", "C7",   "STRN", "LSHO", "RSHO", "LELB", "RELB", "LWRA", "RWRA",
    "LASI", "RASI", "LKNE", "RKNE", "LANK", "RANK", "LHEE", "RHEE", "LTOE", "RTOE",
};
constexpr std::uint32_t kMarkerNameCount = sizeof kMarkerNames / sizeof kMarkerNames[0];

std::string MarkerName(std::uint32_t i) {
    if (i < kMarkerNameCount) return kMarkerNames[i];
    return "M" + std::to_string(i);
}

void AppendNumber(std::string& out, const char* format, double value) {
    char buffer[48];
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    out.append(buffer, static_cast<std::size_t>(n));
}

// Cuts the row that starts at `rowStart`, its frame number and time
// written before it, to `fields` fields.
void TrimFields(std::string& out, std::size_t rowStart, std::size_t fields) {
    std::size_t tabs = 1;
    for (std::size_t at = rowStart; at < out.size(); ++at) {
        if (out[at] == '\t' && ++tabs == fields) {
            out.resize(at);
            return;
        }
    }
}

}  // namespace

std::string GenerateTrc(const TrcOptions& options) {
    std::mt19937_64 random(options.seed);
    std::uniform_real_distribution<double> place(-800.0, 800.0);
    std::uniform_real_distribution<double> height(50.0, 1800.0);
    // The default rate draws one whole number in 200 per sample, exactly as
    // the generator always has, so the files it made before come out byte
    // for byte the same; any other rate draws a real number.
    std::uniform_int_distribution<int> defaultDropout(0, 199);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    const bool defaultRate = options.dropoutRate == kDefaultDropoutRate;
    auto dropsOut = [&] {
        return defaultRate ? defaultDropout(random) == 0 : share(random) < options.dropoutRate;
    };
    const double rate = options.dataRate > 0 ? options.dataRate : 60;

    const std::size_t rowFields =
        options.rowFields != 0 ? options.rowFields : 2 + std::size_t{3} * options.markers;
    std::string out;
    out.reserve(std::size_t{options.markers} * 40 + std::size_t{options.rows} * (rowFields * 10 + 20));
    out += "PathFileType\t4\t(X/Y/Z)\tgenerated.trc\n";
    out += "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
           "OrigDataStartFrame\tOrigNumFrames\n";
    const std::string rateText = std::to_string(options.dataRate);
    out += rateText + "\t" + rateText + "\t" + std::to_string(options.rows) + "\t" +
           std::to_string(options.markers) + "\tmm\t" + rateText + "\t1\t" +
           std::to_string(options.rows) + "\n";
    out += "Frame#\tTime";
    for (std::uint32_t m = 0; m < options.markers; ++m) out += "\t" + MarkerName(m) + "\t\t";
    out += "\n\t";
    for (std::uint32_t m = 1; m <= options.markers; ++m) {
        const std::string n = std::to_string(m);
        out += "\tX" + n + "\tY" + n + "\tZ" + n;
    }
    out += "\n\n";
    std::vector<std::uint32_t> hiddenFor(options.markers, 0);
    std::vector<double> centres;
    for (std::uint32_t m = 0; m < options.markers; ++m) {
        centres.push_back(place(random));
        centres.push_back(height(random));
        centres.push_back(place(random));
    }
    for (std::uint32_t row = 0; row < options.rows; ++row) {
        const double t = row / rate;
        out += std::to_string(row + 1);
        AppendNumber(out, "\t%.5f", t);
        const std::size_t rowStart = out.size();
        for (std::uint32_t m = 0; m < options.markers && 2 + std::size_t{3} * m < rowFields; ++m) {
            if (hiddenFor[m] > 0) {
                --hiddenFor[m];
                out += "\t\t\t";
                continue;
            }
            if (dropsOut()) {
                hiddenFor[m] = options.occlusionRows > 1 ? options.occlusionRows - 1 : 0;
                out += "\t\t\t";
                continue;
            }
            const double angle = 6.283185307179586 * t * 0.5 + m;
            AppendNumber(out, "\t%.5f", centres[3 * m] + 40.0 * std::cos(angle));
            AppendNumber(out, "\t%.5f", centres[3 * m + 1] + 10.0 * std::sin(2 * angle));
            AppendNumber(out, "\t%.5f", centres[3 * m + 2] + 40.0 * std::sin(angle));
        }
        TrimFields(out, rowStart, rowFields);
        out += "\n";
    }
    return out;
}

}  // namespace tovgen
