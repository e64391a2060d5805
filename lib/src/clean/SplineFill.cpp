// Fills that follow the marker's own path: a line between the gap's ends,
// or a cubic spline through the seen samples around it.
#include <algorithm>
#include <cmath>
#include <array>
#include <cstddef>
#include <span>

#include "GapFillers.h"
#include "tovfileio/clean/GapFill.h"

namespace tovfileio::gapfill {

namespace {

// The most knots a spline fill passes through.
constexpr std::size_t kMostKnots = 2 * kSplineContext;

// The interpolating cubic spline through (x[i], y[i]) for each of the
// three coordinates, x increasing, whose third derivative is continuous at
// the second and the last but one knot (not-a-knot); with three knots the
// parabola through them, with two the line. Worked out as the slope at
// every knot: one tridiagonal system, the not-a-knot conditions written as
// its first and last rows, solved by elimination without pivoting (each
// pivot stays at least a fraction of its knot spacing).
class NotAKnotSpline {
public:
    NotAKnotSpline(std::span<const double> x, const std::array<std::array<double, kMostKnots>, 3>& y)
        : x_(x), y_(y) {
        if (x_.size() >= 4) SolveSlopes();
    }

    double operator()(int k, double t) const {
        const std::size_t n = x_.size();
        const auto& y = y_[k];
        if (n == 2) return y[0] + (t - x_[0]) * Slope(k, 0);
        if (n == 3) {
            const double curvature = (Slope(k, 1) - Slope(k, 0)) / (x_[2] - x_[0]);
            return y[0] + (t - x_[0]) * (Slope(k, 0) + (t - x_[1]) * curvature);
        }
        const auto upper = std::upper_bound(x_.begin() + 1, x_.end() - 1, t);
        const std::size_t i = static_cast<std::size_t>(upper - x_.begin()) - 1;
        const double h = x_[i + 1] - x_[i];
        const double m = Slope(k, i);
        const double s0 = slope_[k][i];
        const double s1 = slope_[k][i + 1];
        const double c2 = (3.0 * m - 2.0 * s0 - s1) / h;
        const double c3 = (s0 + s1 - 2.0 * m) / (h * h);
        const double d = t - x_[i];
        return y[i] + d * (s0 + d * (c2 + d * c3));
    }

private:
    double Slope(int k, std::size_t i) const { return (y_[k][i + 1] - y_[k][i]) / (x_[i + 1] - x_[i]); }

    // The slope at every knot: continuity of the second derivative at the
    // inner knots, and the not-a-knot rows at both ends.
    void SolveSlopes() {
        const std::size_t n = x_.size();
        std::array<double, kMostKnots> h{}, sub{}, diagonal{}, super{};
        for (std::size_t i = 0; i + 1 < n; ++i) h[i] = x_[i + 1] - x_[i];
        const double first = h[0] + h[1];
        const double last = h[n - 3] + h[n - 2];
        diagonal[0] = h[1];
        super[0] = first;
        for (std::size_t i = 1; i + 1 < n; ++i) {
            sub[i] = h[i];
            diagonal[i] = 2.0 * (h[i - 1] + h[i]);
            super[i] = h[i - 1];
        }
        sub[n - 1] = last;
        diagonal[n - 1] = h[n - 3];
        for (int k = 0; k < 3; ++k) {
            auto& b = slope_[k];
            b[0] = ((h[0] + 2.0 * first) * h[1] * Slope(k, 0) + h[0] * h[0] * Slope(k, 1)) / first;
            for (std::size_t i = 1; i + 1 < n; ++i) b[i] = 3.0 * (h[i] * Slope(k, i - 1) + h[i - 1] * Slope(k, i));
            b[n - 1] = (h[n - 2] * h[n - 2] * Slope(k, n - 3) + (2.0 * last + h[n - 2]) * h[n - 3] * Slope(k, n - 2)) / last;
        }
        // Forward elimination of the sub-diagonal, then back substitution.
        for (std::size_t i = 1; i < n; ++i) {
            const double factor = sub[i] / diagonal[i - 1];
            diagonal[i] -= factor * super[i - 1];
            for (auto& b : slope_) b[i] -= factor * b[i - 1];
        }
        for (auto& b : slope_) {
            b[n - 1] /= diagonal[n - 1];
            for (std::size_t i = n - 1; i-- > 0;) b[i] = (b[i] - super[i] * b[i + 1]) / diagonal[i];
        }
    }

    std::span<const double> x_;
    const std::array<std::array<double, kMostKnots>, 3>& y_;
    std::array<std::array<double, kMostKnots>, 3> slope_{};
};

// The rows of the nearest seen samples before the gap, up to
// kSplineContext of them, then those after it, in row order; how many, and
// in `before` how many of them come before the gap.
std::size_t SplineKnots(const MarkerView& marker, GapRows gap, std::array<double, kMostKnots>& rows,
                        std::size_t& before) {
    std::size_t count = 0;
    for (std::uint32_t row = gap.first; row-- > 0 && count < kSplineContext;) {
        if (marker.Seen(row)) rows[count++] = row;
    }
    std::reverse(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(count));
    before = count;
    for (std::uint32_t row = gap.After(); row < marker.Rows() && count - before < kSplineContext; ++row) {
        if (marker.Seen(row)) rows[count++] = row;
    }
    return count;
}

}  // namespace

std::optional<Path> FillLinear(const MarkerView& marker, GapRows gap) {
    const Point from = marker.At(gap.Before());
    const Point to = marker.At(gap.After());
    Path path(gap.length);
    for (std::uint32_t i = 0; i < gap.length; ++i) {
        const double w = static_cast<double>(i + 1) / static_cast<double>(gap.length + 1);
        for (int k = 0; k < 3; ++k) path[i][k] = from[k] + w * (to[k] - from[k]);
    }
    return path;
}

std::optional<Path> FillSpline(const MarkerView& marker, GapRows gap) {
    std::array<double, kMostKnots> x{};
    std::size_t before = 0;
    const std::size_t knots = SplineKnots(marker, gap, x, before);
    if (before == 0 || before == knots) return std::nullopt;
    std::array<std::array<double, kMostKnots>, 3> y{};
    for (std::size_t i = 0; i < knots; ++i) {
        const Point at = marker.At(static_cast<std::uint32_t>(x[i]));
        for (int k = 0; k < 3; ++k) y[k][i] = at[k];
    }
    const NotAKnotSpline spline{std::span<const double>(x.data(), knots), y};
    Path path(gap.length);
    for (int k = 0; k < 3; ++k) {
        for (std::uint32_t i = 0; i < gap.length; ++i) path[i][k] = spline(k, gap.first + i);
    }
    return path;
}

}  // namespace tovfileio::gapfill
