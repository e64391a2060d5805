// Fills carried by other markers: the markers that keep their distances to
// the one in the gap move with it, on the same body segment.
#include <algorithm>
#include <cmath>
#include <limits>

#include "GapFillers.h"

namespace tovfileio::gapfill {

namespace {

// Pairs seen together on fewer rows say too little about their distance.
constexpr std::uint32_t kFewestSharedRows = 10;
// Distances are measured on at most about this many rows of a long take.
constexpr std::uint32_t kSpreadRows = 4096;
// Neighbours whose distance to the marker varies more than this fraction
// of it do not move rigidly with it.
constexpr double kRigidSpread = 0.05;
constexpr std::size_t kMostRigidNeighbours = 4;
// Three neighbours nearer to a line than this (the sine of the angle at the
// first) leave the rotation about that line to chance.
constexpr double kLeastTriangleSine = 0.1;

using Matrix3 = std::array<Point, 3>;

Point Minus(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double Dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Point Cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Length(const Point& a) { return std::sqrt(Dot(a, a)); }
Point Scaled(const Point& a, double f) { return {a[0] * f, a[1] * f, a[2] * f}; }

Point Centroid(std::span<const Point> points) {
    Point sum{};
    for (const Point& p : points) {
        for (int k = 0; k < 3; ++k) sum[k] += p[k];
    }
    return Scaled(sum, 1.0 / static_cast<double>(points.size()));
}

// Any unit vector at right angles to the unit vector `u`.
Point Perpendicular(const Point& u) {
    const Point axis = std::abs(u[0]) < 0.6 ? Point{1, 0, 0} : Point{0, 1, 0};
    const Point p = Cross(u, axis);
    return Scaled(p, 1.0 / Length(p));
}

// The eigenvectors of the symmetric matrix `a` (as columns: vectors[k][i] is
// element i of vector k), largest eigenvalue first, by Jacobi rotations.
Matrix3 EigenvectorsOfSymmetric(Matrix3 a) {
    Matrix3 v{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};  // v[i][k]: element i of vector k
    for (int sweep = 0; sweep < 32; ++sweep) {
        const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        const double diagonal = a[0][0] * a[0][0] + a[1][1] * a[1][1] + a[2][2] * a[2][2];
        if (off <= 1e-32 * diagonal) break;
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t = (theta >= 0 ? 1.0 : -1.0) / (std::abs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (int k = 0; k < 3; ++k) {
                    const double kp = a[k][p];
                    const double kq = a[k][q];
                    a[k][p] = c * kp - s * kq;
                    a[k][q] = s * kp + c * kq;
                }
                for (int k = 0; k < 3; ++k) {
                    const double pk = a[p][k];
                    const double qk = a[q][k];
                    a[p][k] = c * pk - s * qk;
                    a[q][k] = s * pk + c * qk;
                }
                for (int k = 0; k < 3; ++k) {
                    const double kp = v[k][p];
                    const double kq = v[k][q];
                    v[k][p] = c * kp - s * kq;
                    v[k][q] = s * kp + c * kq;
                }
            }
        }
    }
    int order[3] = {0, 1, 2};
    std::sort(order, order + 3, [&](int i, int j) { return a[i][i] > a[j][j]; });
    Matrix3 vectors{};
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 3; ++i) vectors[k][i] = v[i][order[k]];
    }
    return vectors;
}

struct RigidMotion {
    Matrix3 rotation{};  // rows
    Point translation{};
    Point Apply(const Point& p) const {
        return {Dot(rotation[0], p) + translation[0], Dot(rotation[1], p) + translation[1],
                Dot(rotation[2], p) + translation[2]};
    }
};

// The rotation and translation that take `from` nearest to `to` in the
// least-squares sense, never a reflection. From the singular vectors of the
// cross-covariance H = U S V^T, the rotation is V diag(1, 1, d) U^T with d
// the sign that makes its determinant 1.
RigidMotion BestRigidMotion(std::span<const Point> from, std::span<const Point> to) {
    const Point fromCentre = Centroid(from);
    const Point toCentre = Centroid(to);
    Matrix3 h{};
    for (std::size_t i = 0; i < from.size(); ++i) {
        const Point f = Minus(from[i], fromCentre);
        const Point t = Minus(to[i], toCentre);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) h[r][c] += f[r] * t[c];
        }
    }
    Matrix3 hth{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) hth[r][c] += h[k][r] * h[k][c];
        }
    }
    const Matrix3 v = EigenvectorsOfSymmetric(hth);
    auto hTimes = [&](const Point& x) { return Point{Dot(h[0], x), Dot(h[1], x), Dot(h[2], x)}; };
    RigidMotion motion;
    const Point first = hTimes(v[0]);
    const double largest = Length(first);
    if (largest == 0.0) {
        motion.rotation = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    } else {
        Matrix3 u{};
        u[0] = Scaled(first, 1.0 / largest);
        Point second = hTimes(v[1]);
        second = Minus(second, Scaled(u[0], Dot(second, u[0])));
        const double secondLength = Length(second);
        u[1] = secondLength > 1e-9 * largest ? Scaled(second, 1.0 / secondLength) : Perpendicular(u[0]);
        u[2] = Cross(u[0], u[1]);
        // U has determinant 1 by construction, so V alone decides d.
        const double d = Dot(v[0], Cross(v[1], v[2])) < 0 ? -1.0 : 1.0;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                motion.rotation[r][c] = v[0][r] * u[0][c] + v[1][r] * u[1][c] + d * v[2][r] * u[2][c];
            }
        }
    }
    const Point turned = motion.Apply(fromCentre);
    motion.translation = Minus(toCentre, turned);
    return motion;
}

std::vector<Point> PositionsAt(const TRCFile& take, std::span<const std::uint32_t> markers, std::uint32_t row) {
    std::vector<Point> points;
    points.reserve(markers.size());
    for (std::uint32_t m : markers) points.push_back(MarkerView(take.GetMarker(m)->Samples()).At(row));
    return points;
}

bool SeenAcross(const TRCFile& take, std::uint32_t marker, GapRows gap) {
    return MarkerView(take.GetMarker(marker)->Samples()).SeenThrough(gap.Before(), gap.After());
}

// Whether the third point stands far enough off the line of the first two.
bool MakesTriangle(const Point& a, const Point& b, const Point& c) {
    const Point ab = Minus(b, a);
    const Point ac = Minus(c, a);
    const double lengths = Length(ab) * Length(ac);
    return lengths > 0.0 && Length(Cross(ab, ac)) > kLeastTriangleSine * lengths;
}

bool KeepsDistance(const std::optional<RankedNeighbour>& pair) {
    return pair && pair->spread <= kRigidSpread;
}

// The steadiest neighbours seen across the gap that keep their distances
// to the marker and to each other, three or more of them not on one line;
// none otherwise.
std::vector<std::uint32_t> RigidNeighbours(std::uint32_t marker, const TRCFile& take, GapRows gap,
                                           NeighbourSpreads& spreads) {
    std::vector<std::uint32_t> chosen;
    for (const RankedNeighbour& neighbour : spreads.RankedFor(marker)) {
        if (neighbour.spread > kRigidSpread) continue;
        if (!SeenAcross(take, neighbour.marker, gap)) continue;
        if (!std::all_of(chosen.begin(), chosen.end(), [&](std::uint32_t other) {
                return KeepsDistance(spreads.Pair(other, neighbour.marker));
            })) {
            continue;
        }
        if (chosen.size() == 2) {
            chosen.push_back(neighbour.marker);
            const std::vector<Point> at = PositionsAt(take, chosen, gap.Before());
            if (!MakesTriangle(at[0], at[1], at[2])) {
                chosen.pop_back();
                continue;
            }
        } else {
            chosen.push_back(neighbour.marker);
        }
        if (chosen.size() == kMostRigidNeighbours) break;
    }
    if (chosen.size() < 3) chosen.clear();
    return chosen;
}

}  // namespace

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
            if (!first.Seen(row) || !second.Seen(row)) continue;
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
    if (std::isinf(known[0])) return std::nullopt;
    return RankedNeighbour{b, known[0], known[1]};
}

std::span<const RankedNeighbour> NeighbourSpreads::RankedFor(std::uint32_t marker) {
    std::optional<std::vector<RankedNeighbour>>& ranked = ranked_[marker];
    if (!ranked) {
        ranked.emplace();
        for (std::uint32_t other = 0; other < take_.GetNumMarkers(); ++other) {
            if (other == marker) continue;
            if (const std::optional<RankedNeighbour> pair = Pair(marker, other)) ranked->push_back(*pair);
        }
        std::stable_sort(ranked->begin(), ranked->end(), [](const RankedNeighbour& a, const RankedNeighbour& b) {
            return a.deviation < b.deviation;
        });
    }
    return *ranked;
}

std::optional<Path> FillRigid(const MarkerView& marker, std::uint32_t index, GapRows gap, const TRCFile& take,
                              NeighbourSpreads& spreads) {
    const std::vector<std::uint32_t> neighbours = RigidNeighbours(index, take, gap, spreads);
    if (neighbours.empty()) return std::nullopt;
    const std::vector<Point> atBefore = PositionsAt(take, neighbours, gap.Before());
    const std::vector<Point> atAfter = PositionsAt(take, neighbours, gap.After());
    const Point before = marker.At(gap.Before());
    const Point after = marker.At(gap.After());
    Path path(gap.length);
    for (std::uint32_t i = 0; i < gap.length; ++i) {
        const std::vector<Point> now = PositionsAt(take, neighbours, gap.first + i);
        const Point fromBefore = BestRigidMotion(atBefore, now).Apply(before);
        const Point fromAfter = BestRigidMotion(atAfter, now).Apply(after);
        const double w = static_cast<double>(i + 1) / static_cast<double>(gap.length + 1);
        for (int k = 0; k < 3; ++k) path[i][k] = (1.0 - w) * fromBefore[k] + w * fromAfter[k];
    }
    return path;
}

std::optional<Path> FillPattern(const MarkerView& marker, GapRows gap, const TRCFile& take,
                                std::span<const RankedNeighbour> ranked) {
    const auto guide = std::find_if(ranked.begin(), ranked.end(), [&](const RankedNeighbour& neighbour) {
        return SeenAcross(take, neighbour.marker, gap);
    });
    if (guide == ranked.end()) return std::nullopt;
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
