#include "WalkMarkers.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/htr/HTRTreeWalk.h"
#include "tovfileio/math/TOVRotation.h"

using namespace tovfileio;

namespace tovsamples {
namespace {

using Matrix = TOVRotationMatrix3<double>;
using Vector = TOVVector3<double>;

// Where a marker sits: on `segment`, `along` its bone length from its joint
// (along the segment's own Y axis, the bone's), then moved by `left`, `up`
// and `forward` millimetres as the skeleton stands in its base pose, which
// faces +Z with its left along +X and Y up.
struct MarkerPlace {
    const char* name;
    const char* segment;
    double along, left, up, forward;
};

// A full-body set named as the MNM creator names its markers: a head band,
// the spine and sternum, each arm's shoulder, elbow, both sides of the
// wrist and the hand, the waist front and back, and on each leg the knee,
// ankle, heel, outer metatarsal and toe; and on each leg a thigh and a shin
// marker that the creator does not ask for, which a map leaves out.
constexpr MarkerPlace kMarkers[] = {
    {"LFHD", "Head", 0.45, 65, 0, 85},       {"RFHD", "Head", 0.45, -65, 0, 85},
    {"LBHD", "Head", 0.45, 65, 0, -85},      {"RBHD", "Head", 0.45, -65, 0, -85},
    {"C7", "Neck", 0.0, 0, 10, -70},         {"T10", "Chest", 0.2, 0, 0, -110},
    {"CLAV", "Chest", 0.95, 0, 0, 80},       {"STRN", "Chest", 0.45, 0, 0, 110},
    {"LSHO", "LClavicle", 1.0, 0, 45, 0},    {"LELB", "LUpperArm", 1.0, 40, 0, -10},
    {"LWRA", "LForearm", 1.0, 0, 0, 30},     {"LWRB", "LForearm", 1.0, 0, 0, -30},
    {"LFIN", "LHand", 0.7, 15, 0, 0},        {"RSHO", "RClavicle", 1.0, 0, 45, 0},
    {"RELB", "RUpperArm", 1.0, -40, 0, -10}, {"RWRA", "RForearm", 1.0, 0, 0, 30},
    {"RWRB", "RForearm", 1.0, 0, 0, -30},    {"RFIN", "RHand", 0.7, -15, 0, 0},
    {"LFWT", "Hips", 0.3, 110, 0, 85},       {"RFWT", "Hips", 0.3, -110, 0, 85},
    {"LBWT", "Hips", 0.4, 50, 0, -90},       {"RBWT", "Hips", 0.4, -50, 0, -90},
    {"LTHI", "LThigh", 0.55, 75, 0, 0},      {"LKNE", "LThigh", 1.0, 55, 0, 0},
    {"LTIB", "LShin", 0.55, 55, 0, 0},       {"LANK", "LShin", 1.0, 40, 0, 0},
    {"LHEL", "LFoot", 0.0, 0, -10, -60},     {"LMT5", "LFoot", 0.65, 40, 0, 0},
    {"LTOE", "LFoot", 1.0, 0, 20, 0},        {"RTHI", "RThigh", 0.55, -75, 0, 0},
    {"RKNE", "RThigh", 1.0, -55, 0, 0},      {"RTIB", "RShin", 0.55, -55, 0, 0},
    {"RANK", "RShin", 1.0, -40, 0, 0},       {"RHEL", "RFoot", 0.0, 0, -10, -60},
    {"RMT5", "RFoot", 0.65, -40, 0, 0},      {"RTOE", "RFoot", 1.0, 0, 20, 0},
};

// The one marker the cameras lose, and for which frames (counted from 0):
// the right wrist's outer side as the hand swings past the hip.
constexpr const char* kHiddenMarker = "RWRB";
constexpr std::uint32_t kHiddenFrom = 17, kHiddenTo = 21;

const char* const kUnitKeywords[] = {"mm", "cm", "m", "in", "ft", "yd"};

// A segment's place in the skeleton's axes: a point p of the segment's
// frame is at p * rotation + translation (row vectors).
struct Place {
    Matrix rotation;
    Vector translation;
};

Vector Times(const Vector& p, const Matrix& m) {
    return Vector(p.x() * m(0, 0) + p.y() * m(1, 0) + p.z() * m(2, 0),
                  p.x() * m(0, 1) + p.y() * m(1, 1) + p.z() * m(2, 1),
                  p.x() * m(0, 2) + p.y() * m(1, 2) + p.z() * m(2, 2));
}

Vector Plus(const Vector& a, const Vector& b) {
    return Vector(a.x() + b.x(), a.y() + b.y(), a.z() + b.z());
}

// Every segment's place at frame `frame`, or in the base pose when none:
// its rotation and translation relative to its parent, composed from the
// root down.
std::unordered_map<const HTRSegment*, Place> Places(HTRSegment& root, const std::uint32_t* frame) {
    std::unordered_map<const HTRSegment*, Place> places;
    WalkSubtree(root, [&](HTRSegment& segment, std::uint32_t) {
        const TOVEulerRotation<double> turn =
            frame != nullptr ? segment.FrameRotationAbsolute(*frame) : segment.BaseRotation();
        const Vector shift =
            frame != nullptr ? segment.FrameTranslationAbsolute(*frame) : segment.BaseTranslation();
        Place place{Matrix(turn), shift};
        const auto parent = places.find(segment.GetParent());
        if (&segment != &root && parent != places.end()) {
            // The segment's turn first, then its parent's: P = turn x parent.
            place.rotation = parent->second.rotation.Multiply(place.rotation);
            place.translation =
                Plus(Times(shift, parent->second.rotation), parent->second.translation);
        }
        places.emplace(&segment, place);
        return true;
    });
    return places;
}

void AppendNumber(std::string& out, double value) {
    char text[48];
    std::snprintf(text, sizeof text, "\t%.5f", value);
    out += text;
}

}  // namespace

bool WalkMarkersTrc(const HTRFile& skeleton, const std::string& name, std::string& trc,
                    std::string& error) {
    HTRSegment* root = skeleton.RootSegment();
    if (root == nullptr) {
        error = "the skeleton has no root segment";
        return false;
    }
    const double unitsPerMm = UnitsPerMillimetre(skeleton.GetCalibrationUnits());
    const auto base = Places(*root, nullptr);

    // Each marker's point in its segment's frame, from its place in the
    // base pose.
    std::vector<std::pair<const HTRSegment*, Vector>> attached;
    for (const MarkerPlace& marker : kMarkers) {
        const std::string segmentName = marker.segment;
        const HTRSegment* segment =
            skeleton.FindSegment(std::wstring(segmentName.begin(), segmentName.end()));
        const auto place = segment != nullptr ? base.find(segment) : base.end();
        if (place == base.end()) {
            error = std::string("marker ") + marker.name + ": no segment " + marker.segment +
                    " below the root";
            return false;
        }
        const Vector onBone(0, marker.along * segment->GetBoneLength(), 0);
        const Vector offset(marker.left * unitsPerMm, marker.up * unitsPerMm,
                            marker.forward * unitsPerMm);
        const Vector world = Plus(Times(onBone, place->second.rotation), offset);
        attached.emplace_back(segment, Times(world, place->second.rotation.Transposed()));
    }

    const std::int32_t rate = skeleton.GetDataFrameRate();
    const std::uint32_t frames = skeleton.GetNumFrames();
    const std::string count = std::to_string(frames);
    const std::string rateText = std::to_string(rate);
    const char* units = kUnitKeywords[skeleton.GetCalibrationUnits() % 6];
    trc = "PathFileType\t4\t(X/Y/Z)\t" + name + "\n";
    trc +=
        "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
        "OrigDataStartFrame\tOrigNumFrames\n";
    trc += rateText + "\t" + rateText + "\t" + count + "\t" + std::to_string(std::size(kMarkers)) +
           "\t" + units + "\t" + rateText + "\t" + std::to_string(skeleton.GetFirstFrame()) + "\t" +
           count + "\n";
    trc += "Frame#\tTime";
    for (const MarkerPlace& marker : kMarkers)
        trc += std::string("\t") + marker.name + "\t\t";
    trc += "\n\t";
    for (std::size_t m = 1; m <= std::size(kMarkers); ++m) {
        const std::string n = std::to_string(m);
        trc += "\tX" + n + "\tY" + n + "\tZ" + n;
    }
    trc += "\n\n";
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        const auto places = Places(*root, &frame);
        trc += std::to_string(std::int64_t(skeleton.GetFirstFrame()) + frame);
        AppendNumber(trc, rate > 0 ? double(frame) / rate : 0.0);
        for (std::size_t m = 0; m < std::size(kMarkers); ++m) {
            if (kMarkers[m].name == std::string_view(kHiddenMarker) && frame >= kHiddenFrom &&
                frame <= kHiddenTo) {
                trc += "\t\t\t";
                continue;
            }
            const Place& place = places.at(attached[m].first);
            const Vector p = Plus(Times(attached[m].second, place.rotation), place.translation);
            AppendNumber(trc, p.x());
            AppendNumber(trc, p.y());
            AppendNumber(trc, p.z());
        }
        trc += "\n";
    }
    return true;
}

}  // namespace tovsamples
