#include "tovfileio/clean/GapFill.h"

#include <array>

#include "AutoFill.h"
#include "GapFillers.h"

namespace tovfileio {

namespace gapfill {

std::optional<Path> FillWith(GapMethod method, const MarkerInTake& marker, GapRows gap,
                             NeighbourSpreads& spreads) {
    switch (method) {
        case GapMethod::kLinear:
            return FillLinear(marker.view, gap);
        case GapMethod::kSpline:
            return FillSpline(marker.view, gap);
        case GapMethod::kRigid:
            return FillRigid(marker.view, marker.index, gap, marker.take, spreads);
        case GapMethod::kPattern:
            return FillPattern(marker.view, gap, marker.take,
                                        spreads.RankedFor(marker.index));
        case GapMethod::kAuto:
            break;
    }
    return std::nullopt;
}

}  // namespace gapfill

namespace {

using gapfill::Fill;
using gapfill::GapRows;
using gapfill::MarkerInTake;
using gapfill::MarkerView;
using gapfill::NeighbourSpreads;
using gapfill::Path;

struct MethodName {
    GapMethod method;
    const char* name;
};

constexpr std::array<MethodName, 5> kMethodNames{{
    {GapMethod::kAuto, "auto"},
    {GapMethod::kLinear, "linear"},
    {GapMethod::kSpline, "spline"},
    {GapMethod::kRigid, "rigid"},
    {GapMethod::kPattern, "pattern"},
}};

std::optional<Fill> FillGap(GapMethod method, const MarkerInTake& marker, GapRows gap,
                            NeighbourSpreads& spreads) {
    std::optional<Path> path = FillWith(method, marker, gap, spreads);
    if (!path)
        return std::nullopt;
    return Fill{method, std::move(*path), std::nullopt};
}

void WriteFill(TRCMarker& marker, GapRows gap, const Path& path) {
    std::span<TRCSample> samples = marker.Samples();
    for (std::uint32_t i = 0; i < gap.length; ++i) {
        samples[gap.first + i] = {true, true, path[i][0], path[i][1], path[i][2]};
    }
}

}  // namespace

const char* GapMethodName(GapMethod method) {
    for (const MethodName& entry : kMethodNames) {
        if (entry.method == method)
            return entry.name;
    }
    return "auto";
}

std::optional<GapMethod> GapMethodNamed(std::string_view name) {
    for (const MethodName& entry : kMethodNames) {
        if (name == entry.name)
            return entry.method;
    }
    return std::nullopt;
}

std::vector<MarkerGap> FindGaps(const TRCFile& take) {
    std::vector<MarkerGap> gaps;
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        const std::span<const TRCSample> samples = take.GetMarker(m)->Samples();
        const auto rows = static_cast<std::uint32_t>(samples.size());
        for (std::uint32_t row = 0; row < rows;) {
            if (samples[row].valid) {
                ++row;
                continue;
            }
            const std::uint32_t first = row;
            while (row < rows && !samples[row].valid)
                ++row;
            gaps.push_back({m, first, row - first});
        }
    }
    return gaps;
}

GapFillReport FillGaps(TRCFile& take, const GapFillOptions& options) {
    GapFillReport report;
    const double longest = options.maxGapSeconds * take.GetDataRate();
    NeighbourSpreads spreads(take);
    const bool automatic = options.method == GapMethod::kAuto;
    std::vector<MarkerGap> fillable;
    std::vector<gapfill::AutoTrial> trials;
    for (const MarkerGap& gap : FindGaps(take)) {
        TRCMarker& marker = *take.GetMarker(gap.marker);
        if (gap.first == 0 || gap.first + gap.length == marker.GetNumSamples()) {
            report.atEnds.push_back(gap);
            continue;
        }
        if (static_cast<double>(gap.length) > longest) {
            report.tooLong.push_back(gap);
            continue;
        }
        const GapRows rows{gap.first, gap.length};
        const MarkerInTake seen{take, gap.marker, MarkerView(marker.Samples())};
        if (automatic) {
            fillable.push_back(gap);
            trials.push_back(gapfill::TryMethods(seen, rows, spreads));
            continue;
        }
        const std::optional<Fill> fill = FillGap(options.method, seen, rows, spreads);
        if (!fill) {
            report.unfillable.push_back(gap);
            continue;
        }
        WriteFill(marker, rows, fill->path);
        report.filled.push_back({gap, fill->method});
    }
    if (!automatic)
        return report;
    // Every gap tried before any is filled (only seen samples guide a fill,
    // so filling first would change nothing), so that each choice can lean
    // on how the methods did over the whole take.
    const gapfill::TakeTendency tendency(trials, fillable);
    for (std::size_t g = 0; g < fillable.size(); ++g) {
        const MarkerGap& gap = fillable[g];
        const std::optional<Fill> fill = gapfill::ChooseFill(trials[g], tendency, gap.length);
        if (!fill) {
            report.unfillable.push_back(gap);
            continue;
        }
        WriteFill(*take.GetMarker(gap.marker), {gap.first, gap.length}, fill->path);
        report.filled.push_back({gap, fill->method});
    }
    return report;
}

}  // namespace tovfileio
