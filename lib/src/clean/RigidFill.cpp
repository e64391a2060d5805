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
constexpr std::size_t kRigidCandidates = 8;
constexpr std::size_t kMostTriples =
    kRigidCandidates * (kRigidCandidates - 1) * (kRigidCandidates - 2) / 6;
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
// Every triple is first watched on this many rows (the gap's ends, then
// rows spread over the watch), and only the stillest few there on all.
constexpr std::uint32_t kFirstLookRows = 18;
constexpr std::size_t kFinalists = 4;

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

// The point's position in FrameOn(a, b, c), worked out without building
// the frame: one division and two square roots that do not wait on each
// other, as this is done for every triple tried on every row watched.
inline Point LocalIn(const Point& a, const Point& b, const Point& c, const Point& p) {
    const Point ab = Minus(b, a);
    const Point normal = Cross(ab, Minus(c, a));
    Point fromCentre{};
    for (int k = 0; k < 3; ++k)
        fromCentre[k] = p[k] - (a[k] + b[k] + c[k]) / 3.0;
    const double abLength = Length(ab);
    const double normalLength = Length(normal);
    const double inverse = 1.0 / (abLength * normalLength);
    return {Dot(fromCentre, ab) * normalLength * inverse,
            Dot(fromCentre, Cross(normal, ab)) * inverse,
            Dot(fromCentre, normal) * abLength * inverse};
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

// The marker's positions in a frame: their sum and sum of squares.
struct Scatter {
    Point sum{};
    double squares = 0.0;
    std::uint32_t count = 0;

    void Add(const Point& local) {
        for (int k = 0; k < 3; ++k)
            sum[k] += local[k];
        squares += Dot(local, local);
        ++count;
    }
    // The squared distances from the mean position, summed.
    double Deviations() const { return count == 0 ? 0.0 : squares - Dot(sum, sum) / count; }
    // Whether Deviations() is more than `bound`, without dividing.
    bool DeviationsBeyond(double bound) const {
        return squares * count - Dot(sum, sum) > bound * count;
    }
};

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
    // The candidates at the rows on either side of the gap.
    std::array<Point, kRigidCandidates> before;
    std::array<Point, kRigidCandidates> after;

    void Gather(const MarkerView& marker, std::span<const std::uint32_t> found, const TRCFile& take,
                GapRows gap);
};

void Watch::Gather(const MarkerView& view, std::span<const std::uint32_t> found,
                   const TRCFile& take, GapRows gap) {
    const auto reach = static_cast<std::uint32_t>(
        std::lround(kWatchSeconds * std::max(1, take.GetDataRate())));
    const std::uint32_t first = gap.Before() > reach ? gap.Before() - reach : 0;
    const std::uint32_t last = std::min(view.Rows() - 1, gap.After() + reach);
    const std::uint32_t step = std::max<std::uint32_t>(1, (last - first) / kWatchRows);
    std::array<std::span<const TRCSample>, kRigidCandidates> samples{};
    for (std::size_t c = 0; c < found.size(); ++c) {
        samples[c] = take.GetMarker(found[c])->Samples();
        before[c] = MarkerView(samples[c]).At(gap.Before());
        after[c] = MarkerView(samples[c]).At(gap.After());
    }
    rows = 0;
    const auto add = [&](std::uint32_t row) {
        if (!view.Seen(row))
            return;
        marker[rows] = view.At(row);
        std::uint32_t mask = 0;
        for (std::size_t c = 0; c < found.size(); ++c) {
            const MarkerView candidate(samples[c]);
            if (candidate.Seen(row)) {
                mask |= 1U << c;
                candidates[rows][c] = candidate.At(row);
            }
        }
        seen[rows++] = mask;
    };
    // The ends first, then the others in strides, so that a frame the
    // marker wanders in shows it early.
    add(gap.Before());
    add(gap.After());
    constexpr std::uint32_t kStride = 16;
    for (std::uint32_t offset = 0; offset < kStride; ++offset) {
        for (std::uint32_t row = first + offset * step; row <= last; row += kStride * step) {
            if (row != gap.Before() && row != gap.After())
                add(row);
        }
    }
}

// Three of the candidates, by their places among them.
using CandidateTriple = std::array<std::uint8_t, 3>;

// The marker's positions in the triple's frame on the first `rows`
// watched rows where the three are seen.
struct TripleWatch {
    const Watch& watch;
    CandidateTriple triple;
    Scatter scatter;
    std::uint32_t next = 0;

    void WatchUpTo(std::uint32_t rows) {
        const std::uint32_t mask = (1U << triple[0]) | (1U << triple[1]) | (1U << triple[2]);
        for (; next < std::min(rows, watch.rows); ++next) {
            if ((watch.seen[next] & mask) != mask)
                continue;
            const auto& at = watch.candidates[next];
            scatter.Add(LocalIn(at[triple[0]], at[triple[1]], at[triple[2]], watch.marker[next]));
        }
    }
};

// The least the squared deviations over all watched rows can add up to for
// the marker to wander at least `wander` in a frame.
double Hopeless(const Watch& watch, double wander) {
    // The deviations on some rows are at most those on all, which are at
    // most the rows' count times the wander squared.
    return wander * wander * watch.rows * (1.0 + 1e-9);
}

// How far the marker wanders in the triple's frame over the watched rows
// where the three are seen: the RMS distance from its mean position there;
// infinite when that is more than kMostWander of the mean position's
// distance from the frame's centre, or when it is sure to be more than
// `beat` (then it is not worked out to the end).
double Wander(const Watch& watch, CandidateTriple triple, double beat) {
    const double hopeless = Hopeless(watch, beat);
    TripleWatch seen{watch, triple, {}, 0};
    // Checked at the ends, then every few rows.
    constexpr std::uint32_t kRowsBetweenChecks = 4;
    for (std::uint32_t rows = 2; seen.next < watch.rows; rows += kRowsBetweenChecks) {
        seen.WatchUpTo(rows);
        if (seen.scatter.DeviationsBeyond(hopeless))
            return std::numeric_limits<double>::infinity();
    }
    const Scatter& scatter = seen.scatter;
    const Point mean = Scaled(scatter.sum, 1.0 / scatter.count);
    const double wander =
        std::sqrt(std::max(0.0, scatter.squares / scatter.count - Dot(mean, mean)));
    if (wander > kMostWander * Length(mean))
        return std::numeric_limits<double>::infinity();
    return wander;
}

// A triple to try, where it comes in the order of the steadiest first, and
// how much the marker's position in its frame wanders on the first rows
// watched (the mean squared deviation there).
struct TripleTry {
    CandidateTriple triple;
    std::uint16_t rank;
    double firstLook;
};

// The triples of candidates that make a triangle on both sides of the gap,
// those the marker stays stillest in on the first rows watched first; how
// many.
std::size_t TriplesToTry(const Watch& watch, std::size_t count,
                         std::array<TripleTry, kMostTriples>& tries) {
    std::size_t found = 0;
    std::uint16_t rank = 0;
    for (std::uint8_t i = 0; i < count; ++i) {
        for (std::uint8_t j = i + 1; j < count; ++j) {
            for (std::uint8_t k = j + 1; k < count; ++k, ++rank) {
                if (!MakesTriangle(watch.before[i], watch.before[j], watch.before[k]) ||
                    !MakesTriangle(watch.after[i], watch.after[j], watch.after[k]))
                    continue;
                TripleWatch look{watch, {i, j, k}, {}, 0};
                look.WatchUpTo(kFirstLookRows);
                const Scatter& seen = look.scatter;
                tries[found++] = {{i, j, k}, rank,
                                  seen.count == 0 ? std::numeric_limits<double>::infinity()
                                                  : seen.Deviations() / seen.count};
            }
        }
    }
    std::sort(tries.begin(), tries.begin() + static_cast<std::ptrdiff_t>(found),
              [](const TripleTry& a, const TripleTry& b) {
                  return a.firstLook < b.firstLook || (a.firstLook == b.firstLook && a.rank < b.rank);
              });
    return found;
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
    // Scratch kept from gap to gap: large, and the same size every time.
    thread_local Watch watch;
    thread_local std::array<TripleTry, kMostTriples> tries;
    watch.Gather(marker, std::span(candidates).first(count), take, gap);
    const std::size_t tried = TriplesToTry(watch, count, tries);
    // Of the stillest few on the first rows, the stillest on all, the first
    // in the steadiest-first order on a tie.
    const TripleTry* best = nullptr;
    double leastWander = std::numeric_limits<double>::infinity();
    for (std::size_t t = 0; t < std::min(tried, kFinalists); ++t) {
        const TripleTry& next = tries[t];
        const double wander = Wander(watch, next.triple, leastWander);
        if (wander < leastWander || (best != nullptr && wander == leastWander && next.rank < best->rank)) {
            best = &next;
            leastWander = wander;
        }
    }
    if (best == nullptr)
        return std::nullopt;
    return RigidTriple{{candidates[best->triple[0]], candidates[best->triple[1]],
                        candidates[best->triple[2]]}};
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
