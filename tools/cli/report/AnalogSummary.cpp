#include "cli/report/AnalogSummary.h"

#include <algorithm>
#include <cmath>

#include "cli/report/SafeText.h"
#include "cli/report/SummaryText.h"
#include "json/JsonWriter.h"
#include "tovfileio/text/Phrases.h"

using namespace tovfileio;

namespace {

// A length as a person reads it: to a tenth, without trailing zeros.
std::string PersonLength(double value) {
    if (!std::isfinite(value)) return "?";
    return PersonSeconds(std::round(value * 10.0) / 10.0);
}

double Distance(const Vec3d& a, const Vec3d& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

// "1-6" for channels that run on by one, else "1, 2, 9".
std::string ChannelList(const std::vector<std::uint32_t>& channels) {
    if (channels.empty()) return "none";
    bool run = true;
    for (std::size_t i = 1; i < channels.size(); ++i) run = run && channels[i] == channels[i - 1] + 1;
    if (run && channels.size() > 2) {
        return std::to_string(channels.front()) + "-" + std::to_string(channels.back());
    }
    std::string text;
    for (const std::uint32_t channel : channels) text += (text.empty() ? "" : ", ") + std::to_string(channel);
    return text;
}

std::string PlatformLine(std::size_t index, const ForcePlatform& platform, const std::string& units) {
    const auto& c = platform.corners;
    Vec3d centre{};
    for (const Vec3d& corner : c) {
        for (int k = 0; k < 3; ++k) centre[k] += corner[k] / 4.0;
    }
    return "    " + std::to_string(index + 1) + "  type " + std::to_string(platform.type) + ", " +
           PersonLength(Distance(c[0], c[1])) + " x " + PersonLength(Distance(c[0], c[3])) + " " + units +
           ", centre (" + PersonLength(centre[0]) + ", " + PersonLength(centre[1]) + ", " +
           PersonLength(centre[2]) + "), channels " + ChannelList(platform.channels) + "\n";
}

void Vector(JsonWriter& json, const Vec3d& v) {
    json.BeginArray();
    for (const double value : v) json.Double(value);
    json.EndArray();
}

}  // namespace

std::string AnalogText(const C3DAnalog& analog, const std::vector<ForcePlatform>& platforms,
                       const std::string& pointUnits) {
    std::string text;
    if (!analog.channels.empty()) {
        text += "  Analog channels:   " + std::to_string(analog.channels.size()) + " at " +
                ShortestText(analog.rate) + " samples/s (" + std::to_string(analog.samplesPerFrame) +
                " a frame)\n";
        std::size_t width = 0;
        std::vector<std::string> labels;
        for (const AnalogChannel& channel : analog.channels) {
            labels.push_back(EscapedName(channel.label));
            width = std::max(width, labels.back().size());
        }
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const AnalogChannel& channel = analog.channels[i];
            std::string line = "    " + labels[i];
            const std::string units = EscapedName(channel.units);
            const std::string description = EscapedName(channel.description);
            if (!units.empty() || !description.empty()) line += std::string(width - labels[i].size() + 2, ' ');
            line += units;
            if (!description.empty()) line += (units.empty() ? "" : "  ") + description;
            text += line + "\n";
        }
    }
    if (!platforms.empty()) {
        text += "  Force platforms:   " + std::to_string(platforms.size()) + "\n";
        for (std::size_t i = 0; i < platforms.size(); ++i) text += PlatformLine(i, platforms[i], pointUnits);
    }
    return text;
}

std::string WithAnalogJson(const std::string& record, const C3DAnalog& analog,
                           const std::vector<ForcePlatform>& platforms) {
    JsonWriter json;
    json.BeginObject();
    json.Key("rate").Double(analog.rate);
    json.Key("samples_per_frame").UInt(analog.samplesPerFrame);
    json.Key("channels").BeginArray();
    for (const AnalogChannel& channel : analog.channels) {
        json.BeginObject();
        json.Key("label").String(EncodeUtf8(channel.label));
        json.Key("units").String(EncodeUtf8(channel.units));
        json.Key("description").String(EncodeUtf8(channel.description));
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    const std::string analogText = json.Text();
    JsonWriter list;
    list.BeginArray();
    for (const ForcePlatform& platform : platforms) {
        list.BeginObject();
        list.Key("type").Int(platform.type);
        list.Key("corners").BeginArray();
        for (const Vec3d& corner : platform.corners) Vector(list, corner);
        list.EndArray();
        list.Key("origin");
        Vector(list, platform.origin);
        list.Key("channels").BeginArray();
        for (const std::uint32_t channel : platform.channels) list.UInt(channel);
        list.EndArray();
        list.EndObject();
    }
    list.EndArray();
    return record.substr(0, record.size() - 2) + ",\"analog\":" + analogText + ",\"platforms\":" + list.Text() +
           "}\n";
}
