// The few vector sums the fills carried by other markers need.
#pragma once

#include <cmath>

#include "GapFillers.h"

namespace tovfileio::gapfill {

inline Point Minus(const Point& a, const Point& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline double Dot(const Point& a, const Point& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline Point Cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Length(const Point& a) {
    return std::sqrt(Dot(a, a));
}
inline Point Scaled(const Point& a, double f) {
    return {a[0] * f, a[1] * f, a[2] * f};
}

}  // namespace tovfileio::gapfill
