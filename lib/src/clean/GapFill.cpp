#include "tovfileio/clean/GapFill.h"

#include <algorithm>
#include <array>
#include <limits>

#include "GapFillers.h"

namespace tovfileio {

namespace {

using gapfill::GapRows;
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

// What auto tries, the simplest first: a later method is kept only where it
// does strictly better. The pattern fill is left out: its one neighbour
// often moves with the marker on the stretches tried and not in the gap.
constexpr std::array<GapMethod, 3> kTriedMethods{GapMethod::kLinear, GapMethod::kSpline,
                                                 GapMethod::kRigid};

// Across a gap this short the marker's own path is the better guide: on
// real takes with gaps of one to three rows cut where the truth is known,
// the rigid fill was never the best of the three on any take (the
// neighbours' own noise outweighs the little the path bends), so auto does
// not try it.
constexpr std::uint32_t kFewestRowsForRigid = 4;

// How far from a gap auto looks for a stretch to try the methods on, in
// gap lengths and then in rows.
constexpr std::uint32_t kTrialReachGaps = 4;
constexpr std::uint32_t kTrialReachRows = 2 * kSplineContext;
constexpr std::size_t kTrialsPerSide = 6;
// A gap with fewer stretches than this a gap's length apart (a short take,
// or a long gap) is tried on stretches that overlap by half instead.
constexpr std::size_t kFewestTrials = 3;
// The rigid fill follows the markers that move the marker rather than
// guessing from its own path, so it is kept unless another method does
// clearly better on the trials: its trial error is weighed by this.
constexpr double kRigidTrialWeight = 0.7;

struct Fill {
    GapMethod method;
    Path path;
    // The neighbours a rigid fill was carried by.
    std::optional<gapfill::RigidTriple> triple;
};

// One marker of the take as the fills see it.
struct MarkerInTake {
    const TRCFile& take;
    std::uint32_t index;
    MarkerView view;
};

std::optional<Path> FillWith(GapMethod method, const MarkerInTake& marker, GapRows gap,
                             NeighbourSpreads& spreads) {
    switch (method) {
        case GapMethod::kLinear:
            return gapfill::FillLinear(marker.view, gap);
        case GapMethod::kSpline:
            return gapfill::FillSpline(marker.view, gap);
        case GapMethod::kRigid:
            return gapfill::FillRigid(marker.view, marker.index, gap, marker.take, spreads);
        case GapMethod::kPattern:
            return gapfill::FillPattern(marker.view, gap, marker.take,
                                        spreads.RankedFor(marker.index));
        case GapMethod::kAuto:
            break;
    }
    return std::nullopt;
}

// Stretches as long as `gap` near it, `step` rows apart, up to
// kTrialsPerSide before and as many after it, whose samples and the samples
// on either side of them are seen: there the truth is known, so a fill of
// them can be measured.
std::vector<GapRows> TrialStretches(const MarkerView& marker, GapRows gap, std::uint32_t step) {
    std::vector<GapRows> stretches;
    const std::uint32_t length = gap.length;
    const std::uint32_t needed = length + 2;
    const std::uint32_t reach = kTrialReachGaps * gap.length + kTrialReachRows;
    std::uint32_t run = 0;
    std::size_t found = 0;
    for (std::uint32_t row = gap.Before(), looked = 0; looked <= reach && found < kTrialsPerSide;
         --row, ++looked) {
        run = marker.Seen(row) ? run + 1 : 0;
        if (run == needed) {
            stretches.push_back({row + 1, length});
            ++found;
            run = needed - step;  // the next stretch starts `step` rows on
        }
        if (row == 0)
            break;
    }
    run = 0;
    found = 0;
    for (std::uint32_t row = gap.After(), looked = 0;
         row < marker.Rows() && looked <= reach && found < kTrialsPerSide; ++row, ++looked) {
        run = marker.Seen(row) ? run + 1 : 0;
        if (run == needed) {
            stretches.push_back({row - length, length});
            ++found;
            run = needed - step;
        }
    }
    return stretches;
}

// The squared distance between a fill of `stretch`, hidden, by the method
// that made `fill`, and what was there; none when it cannot fill it. A
// rigid fill is tried with the neighbours that carried it across the gap
// where they are seen across the stretch, else with the stretch's own.
std::optional<double> StretchError(const Fill& fill, const MarkerInTake& marker, GapRows stretch,
                                   NeighbourSpreads& spreads) {
    const MarkerInTake hidden{marker.take, marker.index,
                              marker.view.Hiding(stretch.first, stretch.length)};
    std::optional<Path> path;
    if (fill.triple)
        path = gapfill::FillRigidWith(*fill.triple, hidden.view, stretch, marker.take);
    if (!path)
        path = FillWith(fill.method, hidden, stretch, spreads);
    if (!path)
        return std::nullopt;
    double squares = 0.0;
    for (std::uint32_t i = 0; i < stretch.length; ++i) {
        const gapfill::Point truth = marker.view.At(stretch.first + i);
        for (int k = 0; k < 3; ++k)
            squares += ((*path)[i][k] - truth[k]) * ((*path)[i][k] - truth[k]);
    }
    return squares;
}

// Each candidate's squared error summed over the stretches that every
// candidate can fill, so that all are measured on the same samples; empty
// when there is no such stretch.
std::vector<double> TrialErrors(std::span<const Fill> candidates, const MarkerInTake& marker,
                                std::span<const GapRows> stretches, NeighbourSpreads& spreads) {
    std::vector<double> totals(candidates.size(), 0.0);
    std::vector<double> errors(candidates.size(), 0.0);
    bool tried = false;
    for (const GapRows& stretch : stretches) {
        bool everyOne = true;
        for (std::size_t c = 0; c < candidates.size() && everyOne; ++c) {
            const std::optional<double> error =
                StretchError(candidates[c], marker, stretch, spreads);
            everyOne = error.has_value();
            if (error)
                errors[c] = *error;
        }
        if (!everyOne)
            continue;
        tried = true;
        for (std::size_t c = 0; c < candidates.size(); ++c)
            totals[c] += errors[c];
    }
    if (!tried)
        totals.clear();
    return totals;
}

// The fills of the gap by every method auto tries that can fill it.
std::vector<Fill> CandidateFills(const MarkerInTake& marker, GapRows gap,
                                 NeighbourSpreads& spreads) {
    std::vector<Fill> candidates;
    for (GapMethod method : kTriedMethods) {
        if (method == GapMethod::kRigid && gap.length < kFewestRowsForRigid)
            continue;
        if (method != GapMethod::kRigid) {
            if (std::optional<Path> path = FillWith(method, marker, gap, spreads)) {
                candidates.push_back({method, std::move(*path), std::nullopt});
            }
            continue;
        }
        const std::optional<gapfill::RigidTriple> triple =
            gapfill::ChooseRigidTriple(marker.view, marker.index, gap, marker.take, spreads);
        if (!triple)
            continue;
        if (std::optional<Path> path =
                gapfill::FillRigidWith(*triple, marker.view, gap, marker.take)) {
            candidates.push_back({method, std::move(*path), triple});
        }
    }
    return candidates;
}

// The candidate that fills stretches of the marker's own seen samples near
// the gap best, the rigid fill's error weighed by kRigidTrialWeight; where
// no stretch can be tried, the rigid fill, or else the spline, or the line.
std::optional<Fill> FillAuto(const MarkerInTake& marker, GapRows gap, NeighbourSpreads& spreads) {
    std::vector<Fill> candidates = CandidateFills(marker, gap, spreads);
    std::vector<GapRows> stretches = TrialStretches(marker.view, gap, gap.length + 1);
    if (stretches.size() < kFewestTrials)
        stretches = TrialStretches(marker.view, gap, std::max<std::uint32_t>(1, gap.length / 2));
    std::vector<double> errors = TrialErrors(candidates, marker, stretches, spreads);
    const Fill* best = nullptr;
    double bestError = std::numeric_limits<double>::infinity();
    for (std::size_t c = 0; c < errors.size(); ++c) {
        if (candidates[c].method == GapMethod::kRigid)
            errors[c] *= kRigidTrialWeight;
        if (errors[c] < bestError) {
            best = &candidates[c];
            bestError = errors[c];
        }
    }
    if (best != nullptr)
        return *best;
    for (GapMethod fallback : {GapMethod::kRigid, GapMethod::kSpline, GapMethod::kLinear}) {
        for (const Fill& candidate : candidates) {
            if (candidate.method == fallback)
                return candidate;
        }
    }
    return std::nullopt;
}

std::optional<Fill> FillGap(GapMethod method, const MarkerInTake& marker, GapRows gap,
                            NeighbourSpreads& spreads) {
    if (method == GapMethod::kAuto)
        return FillAuto(marker, gap, spreads);
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
        const std::optional<Fill> fill = FillGap(options.method, seen, rows, spreads);
        if (!fill) {
            report.unfillable.push_back(gap);
            continue;
        }
        WriteFill(marker, rows, fill->path);
        report.filled.push_back({gap, fill->method});
    }
    return report;
}

}  // namespace tovfileio
