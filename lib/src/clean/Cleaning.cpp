#include "tovfileio/clean/Cleaning.h"

#include <optional>

#include "tovfileio/clean/TakeEdits.h"

namespace tovfileio {

namespace {

std::wstring Number(double value) {
    std::wstring text = std::to_wstring(value);
    text.erase(text.find_last_not_of(L'0') + 1);
    if (text.back() == L'.') text.pop_back();
    return text;
}

std::wstring Filter(TRCFile& take, double cutoff, CleaningReport& report) {
    const double rate = take.GetDataRate();
    const std::optional<BiquadFilter> filter = ButterworthLowPass(cutoff, rate);
    if (!filter) {
        return L"A low-pass cut-off is above 0 and below half the take's rate (" + Number(rate / 2) +
               L" Hz), not " + Number(cutoff) + L" Hz";
    }
    report.filters.push_back({LowPassTake(take, *filter), cutoff});
    return std::wstring();
}

void Fill(TRCFile& take, const GapFillOptions& options, CleaningReport& report) {
    CleaningReport::Fill fill;
    fill.report = FillGaps(take, options);
    for (std::uint32_t i = 0; i < take.GetNumMarkers(); ++i) fill.markers.push_back(take.GetMarker(i)->GetName());
    fill.startFrame = take.GetStartFrame();
    fill.rate = take.GetDataRate();
    fill.options = options;
    report.fills.push_back(std::move(fill));
}

}  // namespace

std::wstring CleanTake(TRCFile& take, std::span<const CleaningStep> steps, CleaningReport& report) {
    using Kind = CleaningStep::Kind;
    for (const CleaningStep& step : steps) {
        std::wstring refused;
        switch (step.kind) {
            case Kind::kFillGaps: Fill(take, step.fill, report); break;
            case Kind::kLowPass: refused = Filter(take, step.cutoff, report); break;
            case Kind::kKeepFrames: refused = KeepFrames(take, step.from, step.to); break;
            case Kind::kRename: refused = RenameMarkers(take, step.renames, step.skipAbsent); break;
            case Kind::kKeepMarkers: refused = ChooseMarkers(take, step.names, true); break;
            case Kind::kDropMarkers: refused = ChooseMarkers(take, step.names, false); break;
        }
        if (!refused.empty()) return refused;
    }
    return std::wstring();
}

}  // namespace tovfileio
