// Fills that follow the marker's own path: a line between the gap's ends,
// or a cubic spline through the seen samples around it.
#include <algorithm>
#include <cmath>
#include <array>
#include <cstddef>
#include <span>
#include <utility>

#include "GapFillers.h"
#include "tovfileio/clean/GapFill.h"

namespace tovfileio::gapfill {

namespace {

// The most knots a spline fill passes through.
constexpr std::size_t kMostKnots = 2 * kSplineContext;

// Solves the square system `a` x = `b` for each of the three right-hand
// sides in place (b becomes x) by Gaussian elimination with partial
// pivoting; `a` is row-major, n by n, and nonzero in row i only up to
// column `last[i]`, which the elimination keeps track of.
void SolveInPlace(std::array<double, kMostKnots * kMostKnots>& a,
                  std::array<std::array<double, kMostKnots>, 3>& b,
                  std::array<std::size_t, kMostKnots>& last, std::size_t n) {
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < n; ++row) {
            if (std::abs(a[row * n + col]) > std::abs(a[pivot * n + col])) pivot = row;
        }
        if (pivot != col) {
            for (std::size_t k = 0; k < n; ++k) std::swap(a[col * n + k], a[pivot * n + k]);
            for (auto& rhs : b) std::swap(rhs[col], rhs[pivot]);
            std::swap(last[col], last[pivot]);
        }
        for (std::size_t row = col + 1; row < n; ++row) {
            if (a[row * n + col] == 0.0) continue;
            const double factor = a[row * n + col] / a[col * n + col];
            if (factor == 0.0) continue;
            for (std::size_t k = col; k <= last[col]; ++k) a[row * n + k] -= factor * a[col * n + k];
            for (auto& rhs : b) rhs[row] -= factor * rhs[col];
            last[row] = std::max(last[row], last[col]);
        }
    }
    for (std::size_t col = n; col-- > 0;) {
        for (auto& rhs : b) {
            double sum = rhs[col];
            for (std::size_t k = col + 1; k <= last[col]; ++k) sum -= a[col * n + k] * rhs[k];
            rhs[col] = sum / a[col * n + col];
        }
    }
}

// The interpolating cubic spline through (x[i], y[i]) for each of the
// three coordinates, x increasing, whose third derivative is continuous at
// the second and the last but one knot (not-a-knot); with three knots the
// parabola through them, with two the line.
class NotAKnotSpline {
public:
    NotAKnotSpline(std::span<const double> x, const std::array<std::array<double, kMostKnots>, 3>& y)
        : x_(x), y_(y) {
        if (x_.size() >= 4) SolveSecondDerivatives();
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
        const auto& second = second_[k];
        const double h = x_[i + 1] - x_[i];
        const double a = x_[i + 1] - t;
        const double b = t - x_[i];
        return second[i] * a * a * a / (6.0 * h) + second[i + 1] * b * b * b / (6.0 * h) +
               (y[i] / h - second[i] * h / 6.0) * a + (y[i + 1] / h - second[i + 1] * h / 6.0) * b;
    }

private:
    double Slope(int k, std::size_t i) const { return (y_[k][i + 1] - y_[k][i]) / (x_[i + 1] - x_[i]); }

    // The second derivative at every knot: continuity of the first
    // derivative at the inner knots, and the not-a-knot rows at both ends.
    void SolveSecondDerivatives() {
        const std::size_t n = x_.size();
        std::array<double, kMostKnots> h{};
        for (std::size_t i = 0; i + 1 < n; ++i) h[i] = x_[i + 1] - x_[i];
        std::array<double, kMostKnots * kMostKnots> a{};
        std::array<std::size_t, kMostKnots> last{};
        a[0] = h[1];
        a[1] = -(h[0] + h[1]);
        a[2] = h[0];
        last[0] = 2;
        for (std::size_t i = 1; i + 1 < n; ++i) {
            a[i * n + i - 1] = h[i - 1];
            a[i * n + i] = 2.0 * (h[i - 1] + h[i]);
            a[i * n + i + 1] = h[i];
            last[i] = i + 1;
            for (int k = 0; k < 3; ++k) second_[k][i] = 6.0 * (Slope(k, i) - Slope(k, i - 1));
        }
        const std::size_t lastRow = (n - 1) * n;
        a[lastRow + n - 3] = h[n - 2];
        a[lastRow + n - 2] = -(h[n - 3] + h[n - 2]);
        a[lastRow + n - 1] = h[n - 3];
        last[n - 1] = n - 1;
        SolveInPlace(a, second_, last, n);
    }

    std::span<const double> x_;
    const std::array<std::array<double, kMostKnots>, 3>& y_;
    std::array<std::array<double, kMostKnots>, 3> second_{};
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
