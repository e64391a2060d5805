// How markers move together: the spread of every pair's distance, and the
// fill that follows the one steadiest neighbour across a gap.
#include <algorithm>
#include <cmath>
#include <limits>

#include "GapFillers.h"
#include "Vec3.h"

namespace tovfileio::gapfill {

namespace {

// Pairs seen together on fewer rows say too little about their distance.
constexpr std::uint32_t kFewestSharedRows = 10;
// Distances are measured on at most about this many rows of a long take.
constexpr std::uint32_t kSpreadRows = 4096;

}  // namespace

bool SeenAcross(const TRCFile& take, std::uint32_t marker, GapRows gap) {
    return MarkerView(take.GetMarker(marker)->Samples()).SeenThrough(gap.Before(), gap.After());
}

NeighbourSpreads::NeighbourSpreads(const TRCFile& take)
    : take_(take),
      pairs_(static_cast<std::size_t>(take.GetNumMarkers()) * take.GetNumMarkers(),
             {std::numeric_limits<double>::quiet_NaN(), 0.0}),
      ranked_(take.GetNumMarkers()) {}

std::optional<RankedNeighbour> NeighbourSpreads::Pair(std::uint32_t a, std::uint32_t b) {
    std::array<double, 2>& known = pairs_[static_cast<std::size_t>(a) * take_.GetNumMarkers() + b];
    if (std::isnan(known[0])) {
        known = {std::numeric_limits<double>::infinity(), 0.0};
        const MarkerView first(take_.GetMarker(a)->Samples());
        const MarkerView second(take_.GetMarker(b)->Samples());
        const std::uint32_t rows = std::min(first.Rows(), second.Rows());
        const std::uint32_t step = std::max<std::uint32_t>(1, rows / kSpreadRows);
        // Welford's running mean and sum of squared deviations.
        std::uint32_t count = 0;
        double mean = 0.0;
        double squares = 0.0;
        for (std::uint32_t row = 0; row < rows; row += step) {
            if (!first.Seen(row) || !second.Seen(row))
                continue;
            const double distance = Length(Minus(first.At(row), second.At(row)));
            ++count;
            const double delta = distance - mean;
            mean += delta / count;
            squares += delta * (distance - mean);
        }
        if (count >= kFewestSharedRows && mean > 0.0) {
            const double deviation = std::sqrt(squares / count);
            known = {deviation, deviation / mean};
        }
        pairs_[static_cast<std::size_t>(b) * take_.GetNumMarkers() + a] = known;
    }
    if (std::isinf(known[0]))
        return std::nullopt;
    return RankedNeighbour{b, known[0], known[1]};
}

std::span<const RankedNeighbour> NeighbourSpreads::RankedFor(std::uint32_t marker) {
    std::optional<std::vector<RankedNeighbour>>& ranked = ranked_[marker];
    if (!ranked) {
        ranked.emplace();
        for (std::uint32_t other = 0; other < take_.GetNumMarkers(); ++other) {
            if (other == marker)
                continue;
            if (const std::optional<RankedNeighbour> pair = Pair(marker, other))
                ranked->push_back(*pair);
        }
        std::stable_sort(ranked->begin(), ranked->end(),
                         [](const RankedNeighbour& a, const RankedNeighbour& b) {
                             return a.deviation < b.deviation;
                         });
    }
    return *ranked;
}

std::optional<Path> FillPattern(const MarkerView& marker, GapRows gap, const TRCFile& take,
                                std::span<const RankedNeighbour> ranked) {
    const auto guide = std::find_if(
        ranked.begin(), ranked.end(),
        [&](const RankedNeighbour& neighbour) { return SeenAcross(take, neighbour.marker, gap); });
    if (guide == ranked.end())
        return std::nullopt;
    const MarkerView neighbour(take.GetMarker(guide->marker)->Samples());
    const Point before = marker.At(gap.Before());
    const Point after = marker.At(gap.After());
    const Point neighbourBefore = neighbour.At(gap.Before());
    const Point neighbourAfter = neighbour.At(gap.After());
    Path path(gap.length);
    for (std::uint32_t i = 0; i < gap.length; ++i) {
        const Point now = neighbour.At(gap.first + i);
        const double w = static_cast<double>(i + 1) / static_cast<double>(gap.length + 1);
        for (int k = 0; k < 3; ++k) {
            const double drift = (after[k] - before[k]) - (neighbourAfter[k] - neighbourBefore[k]);
            path[i][k] = before[k] + (now[k] - neighbourBefore[k]) + w * drift;
        }
    }
    return path;
}

}  // namespace tovfileio::gapfill
