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
constexpr std::uint32_t kSpreadRows = 1024;
// A take of up to this many markers keeps every pair's spread once worked
// out (16 bytes a pair); a larger one works a pair out each time it is
// asked, so memory stays in proportion to the take.
constexpr std::uint32_t kMarkersKeptByPair = 1024;
// In a take of more markers than this, a marker's neighbours are looked
// for among the markers this near it in the file's order (marker sets name
// a body part's markers together), so the work a marker stays bounded
// however many markers the file names.
constexpr std::uint32_t kNeighbourWindow = 256;

}  // namespace

bool SeenAcross(const TRCFile& take, std::uint32_t marker, GapRows gap) {
    return MarkerView(take.GetMarker(marker)->Samples()).SeenThrough(gap.Before(), gap.After());
}

NeighbourSpreads::NeighbourSpreads(const TRCFile& take)
    : take_(take),
      pairs_(take.GetNumMarkers() <= kMarkersKeptByPair
                 ? static_cast<std::size_t>(take.GetNumMarkers()) * take.GetNumMarkers()
                 : 0,
             {std::numeric_limits<double>::quiet_NaN(), 0.0}),
      ranked_(take.GetNumMarkers()),
      sampled_(take.GetNumMarkers()) {
    std::uint32_t fewestRows = 0;
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        const std::uint32_t rows = take.GetMarker(m)->GetNumSamples();
        fewestRows = m == 0 ? rows : std::min(fewestRows, rows);
    }
    sampleStep_ = std::max<std::uint32_t>(1, fewestRows / kSpreadRows);
}

std::span<const Point> NeighbourSpreads::Sampled(std::uint32_t marker) {
    std::optional<std::vector<Point>>& sampled = sampled_[marker];
    if (!sampled) {
        const MarkerView view(take_.GetMarker(marker)->Samples());
        sampled.emplace();
        sampled->reserve(view.Rows() / sampleStep_ + 1);
        for (std::uint32_t row = 0; row < view.Rows(); row += sampleStep_) {
            sampled->push_back(view.Seen(row) ? view.At(row)
                                              : Point{std::numeric_limits<double>::quiet_NaN()});
        }
    }
    return *sampled;
}

std::optional<RankedNeighbour> NeighbourSpreads::Pair(std::uint32_t a, std::uint32_t b) {
    const bool kept = !pairs_.empty();
    std::array<double, 2> worked{std::numeric_limits<double>::quiet_NaN(), 0.0};
    std::array<double, 2>& known =
        kept ? pairs_[static_cast<std::size_t>(a) * take_.GetNumMarkers() + b] : worked;
    if (std::isnan(known[0])) {
        known = {std::numeric_limits<double>::infinity(), 0.0};
        // Both markers' samples on the same spread of rows, taken once a
        // marker.
        std::span<const Point> first = Sampled(a);
        std::span<const Point> second = Sampled(b);
        const std::size_t rows = std::min(first.size(), second.size());
        // Sums of the distances and their squares less the first distance,
        // which keeps the squares small and so the difference of them exact
        // enough, without a division on every row.
        std::uint32_t count = 0;
        double shift = 0.0;
        double sum = 0.0;
        double squares = 0.0;
        for (std::size_t row = 0; row < rows; ++row) {
            if (std::isnan(first[row][0]) || std::isnan(second[row][0]))
                continue;
            const double distance = Length(Minus(first[row], second[row]));
            if (count++ == 0)
                shift = distance;
            sum += distance - shift;
            squares += (distance - shift) * (distance - shift);
        }
        const double mean = count == 0 ? 0.0 : shift + sum / count;
        if (count >= kFewestSharedRows && mean > 0.0) {
            const double deviation = std::sqrt(std::max(0.0, squares - sum * sum / count) / count);
            known = {deviation, deviation / mean};
        }
        if (kept) pairs_[static_cast<std::size_t>(b) * take_.GetNumMarkers() + a] = known;
    }
    if (std::isinf(known[0]))
        return std::nullopt;
    return RankedNeighbour{b, known[0], known[1]};
}

std::span<const RankedNeighbour> NeighbourSpreads::RankedFor(std::uint32_t marker) {
    std::optional<std::vector<RankedNeighbour>>& ranked = ranked_[marker];
    if (!ranked) {
        ranked.emplace();
        const std::uint32_t markers = take_.GetNumMarkers();
        const bool windowed = markers > 2 * kNeighbourWindow + 1;
        const std::uint32_t first = windowed && marker > kNeighbourWindow ? marker - kNeighbourWindow : 0;
        const std::uint32_t end = windowed ? std::min(markers, marker + kNeighbourWindow + 1) : markers;
        for (std::uint32_t other = first; other < end; ++other) {
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
