#include "view/FilledFrames.h"

#include <algorithm>

#include "tovfileio/text/TextCodec.h"

namespace tovview {
namespace {

using tovfileio::CleaningReport;
using tovfileio::CleaningStep;

// `name` as the renames of `step` leave it.
std::wstring Renamed(const std::wstring& name, const CleaningStep& step) {
    for (const auto& [from, to] : step.renames) {
        if (from == name) return to;
    }
    return name;
}

// The name marker `marker` of `fill` ends up with once `later`, the steps
// after that fill's, are done.
std::wstring FinalName(const CleaningReport::Fill& fill, std::uint32_t marker,
                       std::span<const CleaningStep> later) {
    std::wstring name = marker < fill.markers.size() ? fill.markers[marker] : std::wstring();
    for (const CleaningStep& step : later) {
        if (step.kind == CleaningStep::Kind::kRename) name = Renamed(name, step);
    }
    return name;
}

}  // namespace

std::map<std::string, std::vector<FilledRun>> FilledByMarker(const CleaningReport& report,
                                                              std::span<const CleaningStep> steps) {
    std::map<std::string, std::vector<FilledRun>> filled;
    // The report has one fill for each fill step, in the steps' order.
    std::size_t fillIndex = 0;
    for (std::size_t s = 0; s < steps.size() && fillIndex < report.fills.size(); ++s) {
        if (steps[s].kind != CleaningStep::Kind::kFillGaps) continue;
        const CleaningReport::Fill& fill = report.fills[fillIndex++];
        for (const tovfileio::FilledGap& gap : fill.report.filled) {
            const std::wstring name = FinalName(fill, gap.gap.marker, steps.subspan(s + 1));
            if (name.empty()) continue;
            const long long first = fill.startFrame + gap.gap.first;
            filled[tovfileio::EncodeUtf8(name)].push_back(
                {first, first + gap.gap.length - 1, tovfileio::GapMethodName(gap.method)});
        }
    }
    for (auto& [name, runs] : filled) {
        std::sort(runs.begin(), runs.end(),
                  [](const FilledRun& a, const FilledRun& b) { return a.first < b.first; });
    }
    return filled;
}

void MarkFilledFrames(TakeOutline& outline, const std::map<std::string, std::vector<FilledRun>>& filled) {
    for (TakeOutline::Node& node : outline.nodes) {
        if (!node.marker) continue;
        if (const auto runs = filled.find(node.name); runs != filled.end()) node.filled = runs->second;
    }
}

}  // namespace tovview
