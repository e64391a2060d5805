// How auto chooses a gap's fill: every method it tries fills the gap and
// stretches of the marker's own seen samples beside it, hidden one at a
// time where the truth is known; the method that does best there, weighed
// with how each did on the take's other gaps of about that length, fills
// the gap.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "GapFillers.h"

namespace tovfileio::gapfill {

// A gap auto fills: the fills of every method it tries, and their squared
// errors over the stretches beside the gap that all of them could fill
// (the rigid fill's weighed by kRigidTrialWeight); none when no stretch
// could be tried.
struct AutoTrial {
    std::vector<Fill> candidates;
    std::vector<double> errors;
    std::size_t tried = 0;  // stretches
};

AutoTrial TryMethods(const MarkerInTake& marker, GapRows gap, NeighbourSpreads& spreads);

// How each method auto tries (linear, spline, rigid, in that order) did
// against the spline on a take's trials of gaps of about one length: the
// mean, over every stretch tried, of the log of its error over the
// spline's.
struct LengthTendency {
    std::array<double, 3> sum{};
    std::array<double, 3> weight{};

    bool Known(std::size_t method) const { return weight[method] > 0; }
    double Of(std::size_t method) const { return sum[method] / weight[method]; }
};

// The LengthTendency of a take's gaps, grouped by their length's power of
// two (1, 2-3, 4-7, ... rows), as the methods' errors grow with the gap at
// different rates.
class TakeTendency {
  public:
    // Of the trials of `gaps`, one a gap.
    TakeTendency(std::span<const AutoTrial> trials, std::span<const MarkerGap> gaps);
    const LengthTendency& ForLength(std::uint32_t length) const;

  private:
    std::array<LengthTendency, 33> byLength_{};
};

// The fill auto chooses for a gap of `length` rows from its trial (whose
// candidates it may take); none when no method could fill it.
std::optional<Fill> ChooseFill(AutoTrial& trial, const TakeTendency& tendency,
                               std::uint32_t length);

}  // namespace tovfileio::gapfill
