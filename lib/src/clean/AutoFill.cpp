#include "AutoFill.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace tovfileio::gapfill {

namespace {

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
// How many of a gap's own stretches the take's tendency counts for.
constexpr double kTendencyStretches = 8.0;

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
        path = FillRigidWith(*fill.triple, hidden.view, stretch, marker.take);
    if (!path)
        path = FillWith(fill.method, hidden, stretch, spreads);
    if (!path)
        return std::nullopt;
    double squares = 0.0;
    for (std::uint32_t i = 0; i < stretch.length; ++i) {
        const Point truth = marker.view.At(stretch.first + i);
        for (int k = 0; k < 3; ++k)
            squares += ((*path)[i][k] - truth[k]) * ((*path)[i][k] - truth[k]);
    }
    return squares;
}

// Each candidate's squared error summed over the stretches that every
// candidate can fill, so that all are measured on the same samples; empty
// when there is no such stretch.
std::vector<double> TrialErrors(std::span<const Fill> candidates, const MarkerInTake& marker,
                                std::span<const GapRows> stretches, NeighbourSpreads& spreads,
                                std::size_t& tried) {
    std::vector<double> totals(candidates.size(), 0.0);
    std::vector<double> errors(candidates.size(), 0.0);
    tried = 0;
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
        ++tried;
        for (std::size_t c = 0; c < candidates.size(); ++c)
            totals[c] += errors[c];
    }
    if (tried == 0)
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
        const std::optional<RigidTriple> triple =
            ChooseRigidTriple(marker.view, marker.index, gap, marker.take, spreads);
        if (!triple)
            continue;
        if (std::optional<Path> path = FillRigidWith(*triple, marker.view, gap, marker.take)) {
            candidates.push_back({method, std::move(*path), triple});
        }
    }
    return candidates;
}

// Gaps are grouped by their length's power of two (1, 2-3, 4-7, ... rows),
// as the methods' errors grow with the gap at different rates.
std::size_t LengthClass(std::uint32_t length) {
    return static_cast<std::size_t>(std::bit_width(length));
}

std::size_t TriedIndex(GapMethod method) {
    for (std::size_t i = 0; i < kTriedMethods.size(); ++i) {
        if (kTriedMethods[i] == method)
            return i;
    }
    return 0;
}

// The log of `error` over `spline`, both squared errors, kept finite where
// either is 0.
double LogRatio(double error, double spline) {
    constexpr double kTiny = 1e-12;
    return std::log((error + kTiny) / (spline + kTiny));
}

const Fill* SplineOf(const AutoTrial& trial) {
    for (const Fill& fill : trial.candidates) {
        if (fill.method == GapMethod::kSpline)
            return &fill;
    }
    return nullptr;
}

}  // namespace

AutoTrial TryMethods(const MarkerInTake& marker, GapRows gap, NeighbourSpreads& spreads) {
    AutoTrial trial;
    trial.candidates = CandidateFills(marker, gap, spreads);
    std::vector<GapRows> stretches = TrialStretches(marker.view, gap, gap.length + 1);
    if (stretches.size() < kFewestTrials)
        stretches = TrialStretches(marker.view, gap, std::max<std::uint32_t>(1, gap.length / 2));
    trial.errors = TrialErrors(trial.candidates, marker, stretches, spreads, trial.tried);
    for (std::size_t c = 0; c < trial.errors.size(); ++c) {
        if (trial.candidates[c].method == GapMethod::kRigid)
            trial.errors[c] *= kRigidTrialWeight;
    }
    return trial;
}

TakeTendency::TakeTendency(std::span<const AutoTrial> trials, std::span<const MarkerGap> gaps) {
    for (std::size_t g = 0; g < trials.size(); ++g) {
        const AutoTrial& trial = trials[g];
        const Fill* spline = SplineOf(trial);
        if (trial.tried == 0 || spline == nullptr)
            continue;
        const double splineError =
            trial.errors[static_cast<std::size_t>(spline - trial.candidates.data())];
        LengthTendency& length = byLength_[LengthClass(gaps[g].length)];
        for (std::size_t c = 0; c < trial.candidates.size(); ++c) {
            const std::size_t m = TriedIndex(trial.candidates[c].method);
            length.sum[m] += trial.tried * LogRatio(trial.errors[c], splineError);
            length.weight[m] += trial.tried;
        }
    }
}

const LengthTendency& TakeTendency::ForLength(std::uint32_t length) const {
    return byLength_[LengthClass(length)];
}

// The candidate the gap's own trials and the take's tendency for gaps of
// its length together say does best: per method, its trials' log error
// over the spline's, counted once a stretch, plus the tendency counted
// kTendencyStretches times, so that a gap with few stretches beside it
// leans on the take's other gaps. Where neither says anything, the rigid
// fill, or else the spline, or the line.
std::optional<Fill> ChooseFill(AutoTrial& trial, const TakeTendency& take, std::uint32_t length) {
    const LengthTendency& tendency = take.ForLength(length);
    const Fill* spline = SplineOf(trial);
    const bool everyKnown =
        std::all_of(trial.candidates.begin(), trial.candidates.end(),
                    [&](const Fill& fill) { return tendency.Known(TriedIndex(fill.method)); });
    if ((trial.tried > 0 || everyKnown) && spline != nullptr) {
        const double splineError =
            trial.tried > 0
                ? trial.errors[static_cast<std::size_t>(spline - trial.candidates.data())]
                : 0.0;
        Fill* best = nullptr;
        double bestScore = std::numeric_limits<double>::infinity();
        for (std::size_t c = 0; c < trial.candidates.size(); ++c) {
            const std::size_t m = TriedIndex(trial.candidates[c].method);
            const double own =
                trial.tried > 0 ? trial.tried * LogRatio(trial.errors[c], splineError) : 0.0;
            const double score =
                own + (tendency.Known(m) ? kTendencyStretches * tendency.Of(m) : 0.0);
            if (score < bestScore) {
                best = &trial.candidates[c];
                bestScore = score;
            }
        }
        if (best != nullptr)
            return std::move(*best);
    }
    for (GapMethod fallback : {GapMethod::kRigid, GapMethod::kSpline, GapMethod::kLinear}) {
        for (Fill& candidate : trial.candidates) {
            if (candidate.method == fallback)
                return std::move(candidate);
        }
    }
    return std::nullopt;
}

}  // namespace tovfileio::gapfill
