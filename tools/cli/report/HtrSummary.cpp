#include "cli/report/HtrSummary.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <optional>
#include <unordered_set>

#include "tovfileio/text/TextCodec.h"
#include "json/JsonWriter.h"
#include "cli/report/SafeText.h"
#include "cli/report/SummaryText.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/htr/HTRPose.h"
#include "tovfileio/htr/HTRTreeWalk.h"

using namespace tovfileio;

namespace {

// Seconds the header's frames last at its frame rate; none without a rate.
std::optional<double> DurationSeconds(const HTRFile& htr) {
    if (htr.GetDataFrameRate() <= 0) return std::nullopt;
    return static_cast<double>(htr.GetNumFrames()) / htr.GetDataFrameRate();
}

// Levels shown by indentation; deeper segments are indented as this level
// and show their depth, so a deep chain prints in linear, not quadratic,
// space.
constexpr std::uint32_t kIndentedLevels = 32;

// The hierarchy, one segment a line, two spaces deeper per level. Trees start
// at the segments without a parent, in list order; segments that only a
// parent loop reaches are listed after them, marked.
std::string HierarchyTree(const HTRFile& htr) {
    std::string tree;
    std::unordered_set<const HTRSegment*> listed;
    auto listFrom = [&](HTRSegment& top, const char* note) {
        WalkSubtree(top, [&](HTRSegment& segment, std::uint32_t depth) {
            if (!listed.insert(&segment).second) return true;
            tree.append(4 + 2 * static_cast<std::size_t>(std::min(depth, kIndentedLevels)), ' ');
            if (depth > kIndentedLevels) tree += "(level " + std::to_string(depth) + ") ";
            tree += EscapedName(segment.Name());
            if (depth == 0) tree += note;
            tree += '\n';
            return true;
        });
    };
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        HTRSegment& segment = *htr.Segment(i);
        if (segment.GetParent() == nullptr) {
            listFrom(segment, segment.IsRoot() ? "" : "  (parent not found)");
        }
    }
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        HTRSegment& segment = *htr.Segment(i);
        if (listed.count(&segment) == 0) listFrom(segment, "  (in a parent loop)");
    }
    return tree;
}

// What a BVH file's units rest on, which it never states: " (assumed: a BVH
// file states none; the figure is 25.3 units tall, a person's height
// in no unit)".
std::string UnitsAssumedNote(const HTRFile& htr) {
    const double height = tovfileio::FigureHeight(htr);
    char tall[32];
    std::snprintf(tall, sizeof tall, "%.1f", height);
    const std::optional<tovfileio::CalibrationUnits> person = tovfileio::PersonHeightUnits(height);
    return std::string(" (assumed: a BVH file states none; the figure is ") + tall +
           " units tall, a person's height in " +
           (person ? CalibrationUnitsKeyword(*person) : "no unit") + "; --in-units says which)";
}

}  // namespace

std::string DescribeHtr(const std::string& file, const HTRFile& htr, tovfileio::FileKind kind) {
    const auto duration = DurationSeconds(htr);
    std::string text;
    text += Escaped(DisplayName(file)) + "\n";
    text += std::string("  Format:            ") + tovfileio::KindInfo(kind).name + "\n";
    text += std::string("  Calibration units: ") + CalibrationUnitsKeyword(htr.GetCalibrationUnits()) +
            (kind == tovfileio::FileKind::kBvh ? UnitsAssumedNote(htr) : std::string()) + "\n";
    text += std::string("  Rotation units:    ") + RotationUnitsWord(htr.GetRotationUnits()) + "\n";
    text += "  Frame rate:        " + std::to_string(htr.GetDataFrameRate()) + " frames/s\n";
    text += "  Frames:            " + std::to_string(htr.GetNumFrames()) + " (first frame " +
            std::to_string(htr.GetFirstFrame()) + ", " + std::to_string(htr.FramesHeld()) +
            " read)\n";
    text += "  Duration:          " +
            (duration ? PersonSeconds(*duration) + " s" : std::string("unknown (no frame rate)")) +
            "\n";
    text += "  Scale factor:      " + ShortestText(htr.GetScaleFactor()) + "\n";
    text += "  Segments:          " + std::to_string(htr.SegmentCount()) + "\n";
    text += HierarchyTree(htr);
    return text;
}

std::string HtrJson(const std::string& file, const HTRFile& htr, tovfileio::FileKind kind) {
    JsonWriter json;
    json.BeginObject();
    json.Key("file").String(DisplayName(file));
    json.Key("format").String(KindKeyword(kind));
    json.Key("units").String(CalibrationUnitsKeyword(htr.GetCalibrationUnits()));
    json.Key("rotation_units").String(RotationUnitsWord(htr.GetRotationUnits()));
    json.Key("frame_rate").Int(htr.GetDataFrameRate());
    json.Key("frames").UInt(htr.GetNumFrames());
    json.Key("first_frame").Int(htr.GetFirstFrame());
    json.Key("frames_read").UInt(htr.FramesHeld());
    json.Key("duration");
    if (const auto duration = DurationSeconds(htr)) {
        json.Double(*duration);
    } else {
        json.Null();
    }
    json.Key("scale_factor").Double(htr.GetScaleFactor());
    json.Key("segments").BeginArray();
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        const HTRSegment& segment = *htr.Segment(i);
        json.BeginObject();
        json.Key("name").String(std::wstring_view(segment.Name()));
        json.Key("parent");
        if (const HTRSegment* parent = segment.GetParent()) {
            json.String(std::wstring_view(parent->Name()));
        } else {
            json.Null();
        }
        json.Key("root").Bool(segment.IsRoot());
        json.Key("frames").UInt(segment.FrameCount());
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}
