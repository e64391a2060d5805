// The fillers behind FillGaps: each puts back one gap of one marker from
// what it sees and returns the positions, without writing them, so that a
// gap can be tried with several fillers and the best one kept.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tovfileio/clean/GapFill.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio::gapfill {

using Point = std::array<double, 3>;
// One position for each row of a gap, in row order.
using Path = std::vector<Point>;

// Rows `first` to `first + length - 1`, with a valid sample on either side.
struct GapRows {
    std::uint32_t first = 0;
    std::uint32_t length = 0;
    std::uint32_t Before() const { return first - 1; }
    std::uint32_t After() const { return first + length; }
};

// One marker's samples as a filler reads them. A seen sample is valid and
// not filled; a stretch may be hidden, so that a fill of it can be checked
// against what was there.
class MarkerView {
  public:
    explicit MarkerView(std::span<const TRCSample> samples) : samples_(samples) {}
    // The same samples with rows `first` to `first + length - 1` not seen.
    MarkerView Hiding(std::uint32_t first, std::uint32_t length) const {
        MarkerView view(samples_);
        view.hiddenFirst_ = first;
        view.hiddenEnd_ = first + length;
        return view;
    }

    std::uint32_t Rows() const { return static_cast<std::uint32_t>(samples_.size()); }
    bool Seen(std::uint32_t row) const {
        const TRCSample& s = samples_[row];
        return s.valid && !s.filled && (row < hiddenFirst_ || row >= hiddenEnd_);
    }
    // Seen on every row from `first` to `last`, both included.
    bool SeenThrough(std::uint32_t first, std::uint32_t last) const {
        for (std::uint32_t row = first; row <= last; ++row) {
            if (!Seen(row))
                return false;
        }
        return true;
    }
    Point At(std::uint32_t row) const {
        const TRCSample& s = samples_[row];
        return {s.x, s.y, s.z};
    }

  private:
    std::span<const TRCSample> samples_;
    std::uint32_t hiddenFirst_ = 0;
    std::uint32_t hiddenEnd_ = 0;
};

// A straight line from the sample before the gap to the one after it.
std::optional<Path> FillLinear(const MarkerView& marker, GapRows gap);
// A not-a-knot cubic spline through the nearest seen samples around the
// gap, up to kSplineContext on each side, over the row index; a parabola
// through three samples and a line through two. None without a seen sample
// on each side.
std::optional<Path> FillSpline(const MarkerView& marker, GapRows gap);

// Another marker and how much its distance to a given marker varies over
// the rows where both are seen.
struct RankedNeighbour {
    std::uint32_t marker = 0;
    double deviation = 0.0;  // the distance's standard deviation, in the take's units
    double spread = 0.0;     // the same over the mean distance
};

// How much the distance between each pair of markers of a take varies,
// worked out once a pair and only for the markers asked about.
class NeighbourSpreads {
  public:
    explicit NeighbourSpreads(const TRCFile& take);
    // The other markers seen together with `marker` long enough to tell,
    // the steadiest first: the least deviation, however far they are.
    std::span<const RankedNeighbour> RankedFor(std::uint32_t marker);
    // How the distance between markers `a` and `b` varies, `b` as the
    // neighbour; none when they are seen together on too few rows.
    std::optional<RankedNeighbour> Pair(std::uint32_t a, std::uint32_t b);

  private:
    // The marker's samples on every sampleStep_-th row, which spreads
    // about kSpreadRows over its shortest marker; NaN where not seen.
    std::span<const Point> Sampled(std::uint32_t marker);

    const TRCFile& take_;
    // Row-major by marker pair: deviation and spread, NaN until worked out,
    // infinite for a pair seen together too little; empty for a take of
    // many markers, whose pairs are worked out when asked.
    std::vector<std::array<double, 2>> pairs_;
    std::vector<std::optional<std::vector<RankedNeighbour>>> ranked_;
    std::vector<std::optional<std::vector<Point>>> sampled_;
    std::uint32_t sampleStep_ = 1;
};

// Whether `marker` is seen on every row of the gap and on both its ends.
bool SeenAcross(const TRCFile& take, std::uint32_t marker, GapRows gap);

// Three neighbours that carry a marker across a gap: the frame they span
// moves with it.
struct RigidTriple {
    std::array<std::uint32_t, 3> markers{};
};

// Of the steadiest neighbours seen across the gap that keep their distances
// to the marker, the three, not on one line, in whose frame the marker
// stays stillest on the seen rows near the gap; none when there are not
// three such or the marker wanders too far in every frame.
std::optional<RigidTriple> ChooseRigidTriple(const MarkerView& marker, std::uint32_t index,
                                             GapRows gap, const TRCFile& take,
                                             NeighbourSpreads& spreads);
// The marker carried across the gap in the triple's frame: its positions
// in the frame on the seen rows at the gap's ends, blended by where the row
// lies in the gap, so that the fill meets both ends; none when the three
// are not all seen across the gap.
std::optional<Path> FillRigidWith(const RigidTriple& triple, const MarkerView& marker, GapRows gap,
                                  const TRCFile& take);
// FillRigidWith the triple ChooseRigidTriple finds; none without one.
std::optional<Path> FillRigid(const MarkerView& marker, std::uint32_t index, GapRows gap,
                              const TRCFile& take, NeighbourSpreads& spreads);
// The path of the steadiest neighbour seen throughout the gap, shifted to
// meet the marker at both ends; none without such a neighbour.
std::optional<Path> FillPattern(const MarkerView& marker, GapRows gap, const TRCFile& take,
                                std::span<const RankedNeighbour> ranked);

// A fill of one gap: the method that made it and the positions, with the
// neighbours a rigid fill was carried by.
struct Fill {
    GapMethod method;
    Path path;
    std::optional<RigidTriple> triple;
};

// One marker of the take as the fills see it.
struct MarkerInTake {
    const TRCFile& take;
    std::uint32_t index;
    MarkerView view;
};

// The gap filled by `method` (not auto); none when it cannot fill it.
std::optional<Path> FillWith(GapMethod method, const MarkerInTake& marker, GapRows gap,
                             NeighbourSpreads& spreads);

}  // namespace tovfileio::gapfill
