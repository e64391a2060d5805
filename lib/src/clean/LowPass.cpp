#include "tovfileio/clean/LowPass.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace tovfileio {

std::optional<BiquadFilter> ButterworthLowPass(double cutoff, double rate) {
    if (!(cutoff > 0.0) || !(cutoff < rate / 2.0) || !std::isfinite(rate))
        return std::nullopt;
    // The analog prototype's poles, -1/sqrt2 +- j/sqrt2, scaled to the
    // prewarped cut-off `w` (in a frame where the sampling rate is 2) and
    // mapped through z = (4 + s) / (4 - s); both zeros land on z = -1.
    const double w = 4.0 * std::tan(std::numbers::pi * (cutoff / (rate / 2.0)) / 2.0);
    const double root2w = std::numbers::sqrt2 * 4.0 * w;
    const double squared = w * w;
    const double denominator = 16.0 + root2w + squared;
    const double gain = squared / denominator;
    BiquadFilter filter;
    filter.b = {gain, 2.0 * gain, gain};
    filter.a = {1.0, (2.0 * squared - 32.0) / denominator, (16.0 - root2w + squared) / denominator};
    // A cut-off so far below the rate that the pass band does not survive
    // rounding has no steady state to start a pass from.
    if (!(gain > 0.0) || !(1.0 + filter.a[1] + filter.a[2] > 0.0))
        return std::nullopt;
    return filter;
}

namespace {

// The filter's two delays, in transposed direct form: state[0] is what the
// next output adds to b0 times its input.
using FilterState = std::array<double, 2>;

// The delays the filter holds after an endless run of the value 1, so a pass
// started in them times its first value shows no start-up transient.
FilterState SteadyState(const BiquadFilter& filter) {
    const double b0 = filter.b[0];
    const double forced0 = filter.b[1] - filter.a[1] * b0;
    const double forced1 = filter.b[2] - filter.a[2] * b0;
    // Solves (1 + a1) s0 - s1 = forced0 and a2 s0 + s1 = forced1.
    const double first = (forced0 + forced1) / (1.0 + filter.a[1] + filter.a[2]);
    return {first, forced1 - filter.a[2] * first};
}

FilterState Scaled(const FilterState& state, double by) {
    return {state[0] * by, state[1] * by};
}

// One input through the filter: the output, with the delays moved on.
double Step(const BiquadFilter& filter, FilterState& state, double input) {
    const double output = state[0] + filter.b[0] * input;
    state[0] = state[1] + filter.b[1] * input - filter.a[1] * output;
    state[1] = filter.b[2] * input - filter.a[2] * output;
    return output;
}

}  // namespace

bool FiltFilt(const BiquadFilter& filter, std::span<double> values) {
    constexpr std::size_t pad = kFiltFiltPadding;
    const std::size_t count = values.size();
    if (count <= pad)
        return false;
    const FilterState steady = SteadyState(filter);

    // The padding is the run turned about its end samples: before the first
    // value, 2 v[0] - v[pad] ... 2 v[0] - v[1]; after the last,
    // 2 v[n-1] - v[n-2] ... 2 v[n-1] - v[n-1-pad]. The tail is taken before
    // the forward pass overwrites the values.
    std::array<double, pad> tail{};
    for (std::size_t i = 0; i < pad; ++i)
        tail[i] = 2.0 * values[count - 1] - values[count - 2 - i];

    // Forward over the padded run. Its outputs over the head are never
    // needed; those over the tail start the backward pass.
    FilterState state = Scaled(steady, 2.0 * values[0] - values[pad]);
    for (std::size_t i = pad; i >= 1; --i)
        Step(filter, state, 2.0 * values[0] - values[i]);
    for (double& value : values)
        value = Step(filter, state, value);
    for (double& value : tail)
        value = Step(filter, state, value);

    // Backward from the end of the tail; outputs over the head are dropped.
    state = Scaled(steady, tail[pad - 1]);
    for (std::size_t i = pad; i-- > 0;)
        Step(filter, state, tail[i]);
    for (std::size_t i = count; i-- > 0;)
        values[i] = Step(filter, state, values[i]);
    return true;
}

namespace {

using Coordinate = double TRCSample::*;
constexpr std::array<Coordinate, 3> kCoordinates{&TRCSample::x, &TRCSample::y, &TRCSample::z};

// Filters x, y and z of one run of valid samples through `scratch`.
void FilterRun(std::span<TRCSample> run, const BiquadFilter& filter, std::vector<double>& scratch) {
    scratch.resize(run.size());
    for (const Coordinate coordinate : kCoordinates) {
        for (std::size_t i = 0; i < run.size(); ++i)
            scratch[i] = run[i].*coordinate;
        FiltFilt(filter, scratch);
        for (std::size_t i = 0; i < run.size(); ++i)
            run[i].*coordinate = scratch[i];
    }
}

// The length of the run of samples from `first` whose validity is `valid`.
std::size_t RunLength(std::span<const TRCSample> samples, std::size_t first, bool valid) {
    std::size_t end = first;
    while (end < samples.size() && samples[end].valid == valid)
        ++end;
    return end - first;
}

}  // namespace

LowPassReport LowPassTake(TRCFile& take, const BiquadFilter& filter) {
    LowPassReport report;
    std::vector<double> scratch;
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        const std::span<TRCSample> samples = take.GetMarker(m)->Samples();
        std::size_t next = 0;
        while (next < samples.size()) {
            const bool valid = samples[next].valid;
            const std::size_t length = RunLength(samples, next, valid);
            if (valid && length > kFiltFiltPadding) {
                FilterRun(samples.subspan(next, length), filter, scratch);
                ++report.stretches;
            } else if (valid) {
                ++report.shortStretches;
                report.shortSamples += length;
            }
            next += length;
        }
    }
    return report;
}

}  // namespace tovfileio
