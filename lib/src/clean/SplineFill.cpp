// Fills that follow the marker's own path: a line between the gap's ends,
// or a cubic spline through the seen samples around it.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "GapFillers.h"
#include "tovfileio/clean/GapFill.h"

namespace tovfileio::gapfill {

namespace {

// Solves the square system `a` x = `b` in place (b becomes x) by Gaussian
// elimination with partial pivoting; `a` is row-major, n by n.
void SolveInPlace(std::vector<double>& a, std::vector<double>& b, std::size_t n) {
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < n; ++row) {
            if (std::abs(a[row * n + col]) > std::abs(a[pivot * n + col])) pivot = row;
        }
        if (pivot != col) {
            for (std::size_t k = 0; k < n; ++k) std::swap(a[col * n + k], a[pivot * n + k]);
            std::swap(b[col], b[pivot]);
        }
        for (std::size_t row = col + 1; row < n; ++row) {
            const double factor = a[row * n + col] / a[col * n + col];
            if (factor == 0.0) continue;
            for (std::size_t k = col; k < n; ++k) a[row * n + k] -= factor * a[col * n + k];
            b[row] -= factor * b[col];
        }
    }
    for (std::size_t col = n; col-- > 0;) {
        double sum = b[col];
        for (std::size_t k = col + 1; k < n; ++k) sum -= a[col * n + k] * b[k];
        b[col] = sum / a[col * n + col];
    }
}

// The interpolating cubic spline through (x[i], y[i]), x increasing, whose
// third derivative is continuous at the second and the last but one knot
// (not-a-knot); with three knots the parabola through them, with two the
// line.
class NotAKnotSpline {
public:
    NotAKnotSpline(std::vector<double> x, std::vector<double> y)
        : x_(std::move(x)), y_(std::move(y)), second_(x_.size(), 0.0) {
        if (x_.size() >= 4) SolveSecondDerivatives();
    }

    double operator()(double t) const {
        const std::size_t n = x_.size();
        if (n == 2) return y_[0] + (t - x_[0]) * Slope(0);
        if (n == 3) {
            const double curvature = (Slope(1) - Slope(0)) / (x_[2] - x_[0]);
            return y_[0] + (t - x_[0]) * (Slope(0) + (t - x_[1]) * curvature);
        }
        const auto upper = std::upper_bound(x_.begin() + 1, x_.end() - 1, t);
        const std::size_t i = static_cast<std::size_t>(upper - x_.begin()) - 1;
        const double h = x_[i + 1] - x_[i];
        const double a = x_[i + 1] - t;
        const double b = t - x_[i];
        return second_[i] * a * a * a / (6.0 * h) + second_[i + 1] * b * b * b / (6.0 * h) +
               (y_[i] / h - second_[i] * h / 6.0) * a + (y_[i + 1] / h - second_[i + 1] * h / 6.0) * b;
    }

private:
    double Slope(std::size_t i) const { return (y_[i + 1] - y_[i]) / (x_[i + 1] - x_[i]); }

    // The second derivative at every knot: continuity of the first
    // derivative at the inner knots, and the not-a-knot rows at both ends.
    void SolveSecondDerivatives() {
        const std::size_t n = x_.size();
        std::vector<double> h(n - 1);
        for (std::size_t i = 0; i + 1 < n; ++i) h[i] = x_[i + 1] - x_[i];
        std::vector<double> a(n * n, 0.0);
        a[0] = h[1];
        a[1] = -(h[0] + h[1]);
        a[2] = h[0];
        for (std::size_t i = 1; i + 1 < n; ++i) {
            a[i * n + i - 1] = h[i - 1];
            a[i * n + i] = 2.0 * (h[i - 1] + h[i]);
            a[i * n + i + 1] = h[i];
            second_[i] = 6.0 * (Slope(i) - Slope(i - 1));
        }
        const std::size_t last = (n - 1) * n;
        a[last + n - 3] = h[n - 2];
        a[last + n - 2] = -(h[n - 3] + h[n - 2]);
        a[last + n - 1] = h[n - 3];
        SolveInPlace(a, second_, n);
    }

    std::vector<double> x_;
    std::vector<double> y_;
    std::vector<double> second_;
};

// The rows of the nearest seen samples before the gap, up to
// kSplineContext of them, then those after it, in row order.
std::vector<std::uint32_t> SplineKnots(const MarkerView& marker, GapRows gap, std::size_t& before) {
    std::vector<std::uint32_t> rows;
    for (std::uint32_t row = gap.first; row-- > 0 && rows.size() < kSplineContext;) {
        if (marker.Seen(row)) rows.push_back(row);
    }
    std::reverse(rows.begin(), rows.end());
    before = rows.size();
    for (std::uint32_t row = gap.After(); row < marker.Rows() && rows.size() - before < kSplineContext; ++row) {
        if (marker.Seen(row)) rows.push_back(row);
    }
    return rows;
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
    std::size_t before = 0;
    const std::vector<std::uint32_t> knots = SplineKnots(marker, gap, before);
    if (before == 0 || before == knots.size()) return std::nullopt;
    std::vector<double> x(knots.begin(), knots.end());
    Path path(gap.length);
    for (int k = 0; k < 3; ++k) {
        std::vector<double> y;
        y.reserve(knots.size());
        for (std::uint32_t row : knots) y.push_back(marker.At(row)[k]);
        const NotAKnotSpline spline(x, std::move(y));
        for (std::uint32_t i = 0; i < gap.length; ++i) path[i][k] = spline(gap.first + i);
    }
    return path;
}

}  // namespace tovfileio::gapfill
