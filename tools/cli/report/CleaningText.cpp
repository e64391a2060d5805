#include "cli/report/CleaningText.h"

#include "cli/report/SummaryText.h"
#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/TextCodec.h"

namespace {

// "frame 18" or "frames 18–22", numbered as the take numbers them.
std::string Frames(const tovfileio::CleaningReport::Fill& fill, const tovfileio::MarkerGap& gap) {
    const std::int64_t first = fill.startFrame + gap.first;
    if (gap.length == 1) return "frame " + std::to_string(first);
    return "frames " + std::to_string(first) + "\u2013" + std::to_string(first + gap.length - 1);
}

std::string Name(const tovfileio::CleaningReport::Fill& fill, const tovfileio::MarkerGap& gap) {
    return gap.marker < fill.markers.size() ? tovfileio::EncodeUtf8(fill.markers[gap.marker]) : "?";
}

void FillLines(const tovfileio::CleaningReport::Fill& fill, std::vector<std::string>& lines) {
    for (const tovfileio::FilledGap& filled : fill.report.filled) {
        lines.push_back("filled " + Name(fill, filled.gap) + " at " + Frames(fill, filled.gap) + " (" +
                        tovfileio::GapMethodName(filled.method) + ")");
    }
    for (const tovfileio::MarkerGap& gap : fill.report.unfillable) {
        lines.push_back("not filled: " + Name(fill, gap) + " at " + Frames(fill, gap) + " (" +
                        tovfileio::GapMethodName(fill.options.method) + " has too little to go on)");
    }
    std::string summary = tovfileio::Counted(fill.report.filled.size(), "gap", "gaps") + " filled";
    if (!fill.report.tooLong.empty()) {
        summary += "; " + tovfileio::Counted(fill.report.tooLong.size(), "gap", "gaps") + " longer than " +
                   ShortestText(fill.options.maxGapSeconds) + " s left unfilled";
    }
    if (!fill.report.atEnds.empty()) {
        summary += "; " + tovfileio::Counted(fill.report.atEnds.size(), "gap", "gaps") + " at the start or end left unfilled";
    }
    lines.push_back(summary);
}

}  // namespace

std::vector<std::string> CleaningLines(const tovfileio::CleaningReport& report) {
    std::vector<std::string> lines;
    for (const tovfileio::CleaningReport::Fill& fill : report.fills) FillLines(fill, lines);
    for (const tovfileio::CleaningReport::Filter& filter : report.filters) {
        std::string line = "filtered below " + ShortestText(filter.cutoff) + " Hz: " +
                           tovfileio::Counted(filter.report.stretches, "stretch", "stretches") + " of seen samples";
        if (filter.report.shortStretches > 0) {
            line += "; " + std::to_string(filter.report.shortStretches) + " of " +
                    std::to_string(tovfileio::kFiltFiltPadding) + " samples or fewer left as they are";
        }
        lines.push_back(line);
    }
    return lines;
}
