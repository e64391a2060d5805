// The rigid fill: the marker carried across a gap by three neighbours on
// the same body segment. The three span a frame on every row; the marker's
// position in that frame, taken on the seen rows at both ends of the gap,
// is blended across it and put back where the frame has moved to.
#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "GapFillers.h"
#include "Vec3.h"

namespace tovfileio::gapfill {

namespace {

// Neighbours whose distance to the marker varies more than this fraction
// of it do not move rigidly with it.
constexpr double kRigidSpread = 0.05;
// The steadiest neighbours seen across the gap among which the three are
// chosen.
constexpr std::size_t kRigidCandidates = 10;
// Three neighbours nearer to a line than this (the sine of the angle at the
// first) leave the rotation about that line to chance.
constexpr double kLeastTriangleSine = 0.1;
// How far on each side of the gap the marker is watched in each frame, and
// on about how many rows at most.
constexpr double kWatchSeconds = 1.0;
constexpr std::uint32_t kWatchRows = 96;
// A marker that wanders in the best frame by more than this fraction of
// its distance from the frame's centre does not move with it.
constexpr double kMostWander = 0.1;

// An orthonormal frame: its origin and its axes.
struct Frame {
    Point origin{};
    std::array<Point, 3> axes{};

    Point Local(const Point& p) const {
        const Point d = Minus(p, origin);
        return {Dot(d, axes[0]), Dot(d, axes[1]), Dot(d, axes[2])};
    }
    Point Global(const Point& local) const {
        Point p = origin;
        for (int a = 0; a < 3; ++a) {
            for (int k = 0; k < 3; ++k)
                p[k] += local[a] * axes[a][k];
        }
        return p;
    }
};

// The frame of a triangle: centred on its centroid, the first axis along
// its first side, the third at right angles to its plane.
Frame FrameOn(const Point& a, const Point& b, const Point& c) {
    const Point ab = Minus(b, a);
    const Point normal = Cross(ab, Minus(c, a));
    Frame frame;
    for (int k = 0; k < 3; ++k)
        frame.origin[k] = (a[k] + b[k] + c[k]) / 3.0;
    frame.axes[0] = Scaled(ab, 1.0 / Length(ab));
    frame.axes[2] = Scaled(normal, 1.0 / Length(normal));
    frame.axes[1] = Cross(frame.axes[2], frame.axes[0]);
    return frame;
}

// Whether the third point stands far enough off the line of the first two.
bool MakesTriangle(const Point& a, const Point& b, const Point& c) {
    const Point ab = Minus(b, a);
    const Point ac = Minus(c, a);
    const double lengths = Length(ab) * Length(ac);
    return lengths > 0.0 && Length(Cross(ab, ac)) > kLeastTriangleSine * lengths;
}

MarkerView ViewOf(const TRCFile& take, std::uint32_t marker) {
    return MarkerView(take.GetMarker(marker)->Samples());
}

Frame FrameAt(const RigidTriple& triple, const TRCFile& take, std::uint32_t row) {
    return FrameOn(ViewOf(take, triple.markers[0]).At(row), ViewOf(take, triple.markers[1]).At(row),
                   ViewOf(take, triple.markers[2]).At(row));
}

bool TriangleAt(const RigidTriple& triple, const TRCFile& take, std::uint32_t row) {
    return MakesTriangle(ViewOf(take, triple.markers[0]).At(row),
                         ViewOf(take, triple.markers[1]).At(row),
                         ViewOf(take, triple.markers[2]).At(row));
}

// The rows near a gap on which the marker is watched in each candidate
// triple's frame (the gap's two ends, then a spread of others, as far as
// kWatchSeconds on each side), with the marker's and every candidate's
// position there, gathered once for all the triples tried.
struct Watch {
    static constexpr std::size_t kMostRows = 2 * kWatchRows + 4;
    std::array<Point, kMostRows> marker;
    std::array<std::array<Point, kRigidCandidates>, kMostRows> candidates;
    // Bit c set where candidate c is seen.
    std::array<std::uint32_t, kMostRows> seen;
    std::uint32_t rows = 0;  // gathered rows, all with the marker seen

    void Gather(const MarkerView& marker, std::span<const std::uint32_t> found, const TRCFile& take,
                GapRows gap) {
        const auto reach = static_cast<std::uint32_t>(
            std::lround(kWatchSeconds * std::max(1, take.GetDataRate())));
        const std::uint32_t first = gap.Before() > reach ? gap.Before() - reach : 0;
        const std::uint32_t last = std::min(marker.Rows() - 1, gap.After() + reach);
        const std::uint32_t step = std::max<std::uint32_t>(1, (last - first) / kWatchRows);
        std::array<std::span<const TRCSample>, kRigidCandidates> samples{};
        for (std::size_t c = 0; c < found.size(); ++c)
            samples[c] = take.GetMarker(found[c])->Samples();
        rows = 0;
        const auto add = [&](std::uint32_t row) {
            if (!marker.Seen(row))
                return;
            this->marker[rows] = marker.At(row);
            std::uint32_t mask = 0;
            for (std::size_t c = 0; c < found.size(); ++c) {
                const MarkerView view(samples[c]);
                if (view.Seen(row)) {
                    mask |= 1U << c;
                    candidates[rows][c] = view.At(row);
                }
            }
            seen[rows++] = mask;
        };
        add(gap.Before());
        add(gap.After());
        for (std::uint32_t row = first; row <= last; row += step) {
            if (row != gap.Before() && row != gap.After())
                add(row);
        }
    }
};

// How far the marker wanders in the frame of candidates `a`, `b` and `c`
// over the watched rows where the three are seen: the RMS distance from
// its mean position there; infinite when that is more than kMostWander of
// the mean position's distance from the frame's centre, or when it is sure
// to be at least `beat` (then it is not worked out to the end).
double Wander(const Watch& watch, std::size_t a, std::size_t b, std::size_t c, double beat) {
    const std::uint32_t mask = (1U << a) | (1U << b) | (1U << c);
    // The squared deviations summed over the rows seen so far are at most
    // those over all rows, which are at most watch.rows times the wander
    // squared: past this the triple cannot beat `beat`.
    const double hopeless = beat * beat * watch.rows * (1.0 + 1e-9);
    // The ends first, then the others in strides, so that a frame the
    // marker wanders in shows it early.
    constexpr std::uint32_t kStride = 8;
    Point sum{};
    double squares = 0.0;
    std::uint32_t count = 0;
    const auto watchRow = [&](std::uint32_t row) {
        if ((watch.seen[row] & mask) != mask)
            return;
        const auto& at = watch.candidates[row];
        const Point local = FrameOn(at[a], at[b], at[c]).Local(watch.marker[row]);
        for (int k = 0; k < 3; ++k)
            sum[k] += local[k];
        squares += Dot(local, local);
        ++count;
    };
    for (std::uint32_t row = 0; row < std::min<std::uint32_t>(2, watch.rows); ++row)
        watchRow(row);
    for (std::uint32_t offset = 0; offset < kStride; ++offset) {
        for (std::uint32_t row = 2 + offset; row < watch.rows; row += kStride)
            watchRow(row);
        if (count > 0 && squares - Dot(sum, sum) / count > hopeless)
            return std::numeric_limits<double>::infinity();
    }
    const Point mean = Scaled(sum, 1.0 / count);
    const double wander = std::sqrt(std::max(0.0, squares / count - Dot(mean, mean)));
    if (wander > kMostWander * Length(mean))
        return std::numeric_limits<double>::infinity();
    return wander;
}

// Up to kRigidCandidates neighbours, the steadiest first, that keep their
// distance to the marker and are seen across the gap; how many were found.
std::size_t RigidCandidates(std::uint32_t marker, const TRCFile& take, GapRows gap,
                            NeighbourSpreads& spreads,
                            std::array<std::uint32_t, kRigidCandidates>& found) {
    std::size_t count = 0;
    for (const RankedNeighbour& neighbour : spreads.RankedFor(marker)) {
        if (neighbour.spread > kRigidSpread || !SeenAcross(take, neighbour.marker, gap))
            continue;
        found[count++] = neighbour.marker;
        if (count == found.size())
            break;
    }
    return count;
}

}  // namespace

std::optional<RigidTriple> ChooseRigidTriple(const MarkerView& marker, std::uint32_t index,
                                             GapRows gap, const TRCFile& take,
                                             NeighbourSpreads& spreads) {
    std::array<std::uint32_t, kRigidCandidates> candidates{};
    const std::size_t count = RigidCandidates(index, take, gap, spreads, candidates);
    if (count < 3)
        return std::nullopt;
    thread_local Watch watch;
    watch.Gather(marker, std::span(candidates).first(count), take, gap);
    std::optional<RigidTriple> best;
    double leastWander = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            for (std::size_t k = j + 1; k < count; ++k) {
                const RigidTriple triple{{candidates[i], candidates[j], candidates[k]}};
                if (!TriangleAt(triple, take, gap.Before()) ||
                    !TriangleAt(triple, take, gap.After()))
                    continue;
                const double wander = Wander(watch, i, j, k, leastWander);
                if (wander < leastWander) {
                    best = triple;
                    leastWander = wander;
                }
            }
        }
    }
    return best;
}

std::optional<Path> FillRigidWith(const RigidTriple& triple, const MarkerView& marker, GapRows gap,
                                  const TRCFile& take) {
    for (std::uint32_t m : triple.markers) {
        if (!SeenAcross(take, m, gap))
            return std::nullopt;
    }
    const Point before = FrameAt(triple, take, gap.Before()).Local(marker.At(gap.Before()));
    const Point after = FrameAt(triple, take, gap.After()).Local(marker.At(gap.After()));
    Path path(gap.length);
    for (std::uint32_t i = 0; i < gap.length; ++i) {
        const double w = static_cast<double>(i + 1) / static_cast<double>(gap.length + 1);
        Point local{};
        for (int k = 0; k < 3; ++k)
            local[k] = (1.0 - w) * before[k] + w * after[k];
        path[i] = FrameAt(triple, take, gap.first + i).Global(local);
    }
    return path;
}

std::optional<Path> FillRigid(const MarkerView& marker, std::uint32_t index, GapRows gap,
                              const TRCFile& take, NeighbourSpreads& spreads) {
    const std::optional<RigidTriple> triple = ChooseRigidTriple(marker, index, gap, take, spreads);
    if (!triple)
        return std::nullopt;
    return FillRigidWith(*triple, marker, gap, take);
}

}  // namespace tovfileio::gapfill
