#include "cli/report/TrcSummary.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/Phrases.h"
#include "cli/report/SafeText.h"
#include "json/JsonWriter.h"
#include "cli/report/SummaryText.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

// Seconds the rows read last at the data rate; none without a rate.
std::optional<double> DurationSeconds(const TRCFile& trc) {
    if (trc.GetDataRate() <= 0) return std::nullopt;
    return static_cast<double>(trc.GetNumRows()) / trc.GetDataRate();
}

}  // namespace

std::string DescribeTrc(const std::string& file, const TRCFile& trc, const TRCDropoutTally& rows,
                        tovfileio::FileKind kind) {
    const auto duration = DurationSeconds(trc);
    std::string text = Escaped(DisplayName(file)) + "\n";
    text += std::string("  Format:            ") + tovfileio::KindInfo(kind).name + "\n";
    text += std::string("  Units:             ") + CalibrationUnitsKeyword(trc.GetUnits()) +
            (trc.UnitsStated() ? "" : " (assumed: the file states none; --in-units says which)") + "\n";
    text += "  Data rate:         " + std::to_string(trc.GetDataRate()) + " frames/s\n";
    text += "  Camera rate:       " + std::to_string(trc.GetCameraRate()) + " frames/s\n";
    text += "  Frames:            " + std::to_string(trc.GetNumFrames()) + " in the header, " +
            std::to_string(trc.GetNumRows()) + " rows read (start frame " +
            std::to_string(trc.GetStartFrame()) + ")\n";
    text += "  Duration:          " +
            (duration ? PersonSeconds(*duration) + " s" : std::string("unknown (no data rate)")) +
            "\n";
    text += "  Markers:           " + std::to_string(trc.GetNumMarkers()) + "\n";
    const std::vector<std::uint64_t> dropouts = rows.Dropouts();
    std::size_t width = 0;
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        names.push_back(EscapedName(trc.GetMarker(i)->GetName()));
        width = std::max(width, names.back().size());
    }
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        text += "    " + names[i] + std::string(width - names[i].size() + 2, ' ') +
                std::to_string(trc.GetNumRows() - dropouts[i]) + " of " +
                Counted(trc.GetNumRows(), "frame", "frames") + " seen\n";
    }
    return text;
}

std::string TrcJson(const std::string& file, const TRCFile& trc, const TRCDropoutTally& rows,
                    tovfileio::FileKind kind) {
    JsonWriter json;
    json.BeginObject();
    json.Key("file").String(DisplayName(file));
    json.Key("format").String(KindKeyword(kind));
    json.Key("units").String(CalibrationUnitsKeyword(trc.GetUnits()));
    // The names every take's record shares (a skeleton's too), then the
    // camera rate, which marker files alone give.
    json.Key("frame_rate").Int(trc.GetDataRate());
    json.Key("frames").Int(trc.GetNumFrames());
    json.Key("first_frame").Int(trc.GetStartFrame());
    json.Key("frames_read").UInt(trc.GetNumRows());
    json.Key("camera_rate").Int(trc.GetCameraRate());
    json.Key("duration");
    if (const auto duration = DurationSeconds(trc)) {
        json.Double(*duration);
    } else {
        json.Null();
    }
    const std::vector<std::uint64_t> dropouts = rows.Dropouts();
    json.Key("markers").BeginArray();
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        const TRCMarker& marker = *trc.GetMarker(i);
        json.BeginObject();
        json.Key("name").String(std::wstring_view(marker.GetName()));
        json.Key("samples").UInt(trc.GetNumRows());
        json.Key("dropouts").UInt(dropouts[i]);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}
