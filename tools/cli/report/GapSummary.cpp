#include "cli/report/GapSummary.h"

#include <algorithm>

#include "cli/report/SafeText.h"
#include "json/JsonWriter.h"
#include "tovfileio/text/Phrases.h"

using tovfileio::Counted;

std::vector<MarkerGapSummary> SummariseGaps(const tovfileio::TRCFile& take,
                                            const std::vector<tovfileio::MarkerGap>& gaps,
                                            const tovfileio::GapFillReport& fill) {
    std::map<std::uint32_t, MarkerGapSummary> byMarker;
    for (const tovfileio::MarkerGap& gap : gaps) {
        MarkerGapSummary& marker = byMarker[gap.marker];
        ++marker.gaps;
        marker.longest = std::max<std::uint64_t>(marker.longest, gap.length);
        marker.frames += gap.length;
    }
    for (const tovfileio::FilledGap& filled : fill.filled) {
        MarkerGapSummary& marker = byMarker[filled.gap.marker];
        ++marker.filled;
        ++marker.methods[tovfileio::GapMethodName(filled.method)];
    }
    std::vector<MarkerGapSummary> markers;
    for (auto& [index, marker] : byMarker) {
        marker.name = take.GetMarker(index)->GetName();
        markers.push_back(std::move(marker));
    }
    return markers;
}

std::string GapsText(const std::vector<MarkerGapSummary>& markers) {
    std::uint64_t gaps = 0, filled = 0;
    std::size_t width = 0;
    std::vector<std::string> names;
    for (const MarkerGapSummary& marker : markers) {
        gaps += marker.gaps;
        filled += marker.filled;
        names.push_back(EscapedName(marker.name));
        width = std::max(width, names.back().size());
    }
    std::string text = "  Gaps:              " + Counted(markers.size(), "marker", "markers") + ", " +
                       Counted(gaps, "gap", "gaps") + "; --fill-gaps auto fills " + std::to_string(filled) +
                       "\n";
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const MarkerGapSummary& marker = markers[i];
        text += "    " + names[i] + std::string(width - names[i].size() + 2, ' ') +
                Counted(marker.gaps, "gap", "gaps") + ", the longest " +
                Counted(marker.longest, "frame", "frames") + ", " + Counted(marker.frames, "frame", "frames") +
                " in all; fills " + std::to_string(marker.filled);
        std::string methods;
        for (const auto& [method, count] : marker.methods) {
            methods += (methods.empty() ? "" : ", ") + method + " " + std::to_string(count);
        }
        text += (methods.empty() ? "" : " (" + methods + ")") + "\n";
    }
    return text;
}

std::string WithGapsJson(const std::string& record, const std::vector<MarkerGapSummary>& markers) {
    JsonWriter json;
    json.BeginArray();
    for (const MarkerGapSummary& marker : markers) {
        json.BeginObject();
        json.Key("marker").String(marker.name);
        json.Key("gaps").UInt(marker.gaps);
        json.Key("longest").UInt(marker.longest);
        json.Key("frames").UInt(marker.frames);
        json.Key("filled").UInt(marker.filled);
        json.EndObject();
    }
    json.EndArray();
    return record.substr(0, record.size() - 2) + ",\"gaps\":" + json.Text() + "}\n";
}
