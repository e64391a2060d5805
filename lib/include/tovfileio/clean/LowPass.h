// The zero-lag low-pass filter biomechanics uses on marker trajectories: a
// second-order Butterworth filter run forward and then backward, so that
// it shifts nothing in time, over each stretch of seen samples. Its
// numbers are those of scipy.signal.filtfilt(*butter(2, cutoff / (rate /
// 2)), x) with filtfilt's default padding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// A second-order recursive filter: b are the input's weights, a the
// output's, a[0] = 1.
struct BiquadFilter {
    std::array<double, 3> b{};
    std::array<double, 3> a{};
};

// The second-order Butterworth low-pass filter with its cut-off at `cutoff`
// Hz for samples taken `rate` times a second (the bilinear transform with
// the cut-off prewarped); none unless 0 < cutoff < rate / 2, and none for a
// cut-off so far below the rate that the filter's gain rounds away.
std::optional<BiquadFilter> ButterworthLowPass(double cutoff, double rate);

// How many samples the forward-backward pass extends each end by, as an odd
// reflection about the end sample: three times the filter's length.
inline constexpr std::size_t kFiltFiltPadding = 9;

// Runs `filter` forward and backward over `values` in place, each pass
// started in its steady state for the first value, over the values padded
// at both ends by kFiltFiltPadding samples of odd reflection. False, with
// `values` untouched, when they are not more than kFiltFiltPadding.
bool FiltFilt(const BiquadFilter& filter, std::span<double> values);

struct LowPassReport {
    std::uint64_t stretches = 0;       // runs of seen samples filtered
    std::uint64_t shortStretches = 0;  // runs too short to pad, left as they are
    std::uint64_t shortSamples = 0;    // the samples of those runs
};

// Filters x, y and z of every marker of `take` (its rows kept in its
// markers) over each run of valid samples; dropouts stay dropouts, and a
// run of kFiltFiltPadding samples or fewer stays as it is and is counted.
LowPassReport LowPassTake(TRCFile& take, const BiquadFilter& filter);

}  // namespace tovfileio
