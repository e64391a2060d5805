#include "tovfileio/c3d/ForcePlatforms.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tovfileio {

namespace {

Vec3d Plus(const Vec3d& a, const Vec3d& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3d Minus(const Vec3d& a, const Vec3d& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3d Times(const Vec3d& a, double k) { return {a[0] * k, a[1] * k, a[2] * k}; }

Vec3d Cross(const Vec3d& a, const Vec3d& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Length(const Vec3d& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// A vector of the plate's frame in the lab's frame.
Vec3d Turn(const std::array<Vec3d, 3>& axes, const Vec3d& v) {
    return Plus(Plus(Times(axes[0], v[0]), Times(axes[1], v[1])), Times(axes[2], v[2]));
}

// The plate's unit axes in the lab's frame from its corners; none when the
// corners span no plane (two of them together, or all on one line), where
// the cross product of the edges is nothing beside the edges' lengths.
std::optional<std::array<Vec3d, 3>> PlateAxes(const std::array<Vec3d, 4>& corners) {
    const Vec3d x = Minus(corners[0], corners[1]);
    const Vec3d y = Minus(corners[0], corners[3]);
    const Vec3d z = Cross(x, y);
    const double zLength = Length(z);
    if (!(zLength > 1e-12 * Length(x) * Length(y))) return std::nullopt;  // NaN too
    const Vec3d unitX = Times(x, 1 / Length(x));
    const Vec3d unitZ = Times(z, 1 / zLength);
    return std::array<Vec3d, 3>{unitX, Cross(unitZ, unitX), unitZ};
}

Vec3d Mean(const std::array<Vec3d, 4>& corners) {
    return Times(Plus(Plus(corners[0], corners[1]), Plus(corners[2], corners[3])), 0.25);
}

// A plate whose vertical force `fz` (its own z) is below kLeastCopForce has
// no centre of pressure.
bool Unloaded(double fz) { return std::abs(fz) < kLeastCopForce; }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Vec3d kNoCentreOfPressure{kNaN, kNaN, kNaN};

std::wstring Refused(const std::wstring& what) { return L"The force platform " + what; }

std::optional<std::wstring> CheckChannels(const ForcePlatform& platform, std::size_t used,
                                          std::size_t channelCount) {
    if (platform.channels.size() < used) {
        return Refused(L"of type " + std::to_wstring(platform.type) + L" names " +
                       std::to_wstring(platform.channels.size()) + L" channels, not " +
                       std::to_wstring(used));
    }
    for (std::size_t i = 0; i < used; ++i) {
        const std::uint32_t channel = platform.channels[i];
        if (channel < 1 || channel > channelCount) {
            return Refused(L"reads analog channel " + std::to_wstring(channel) + L" of " +
                           std::to_wstring(channelCount));
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<PlatformForces> PlatformForces::Prepare(const ForcePlatform& platform,
                                                      std::size_t channelCount,
                                                      const PlatformForcesOptions& options,
                                                      std::wstring& why) {
    if (platform.type < 1 || platform.type > 4) {
        why = Refused(L"type " + std::to_wstring(platform.type) + L" is not one computed (1 to 4)");
        return std::nullopt;
    }
    PlatformForces forces;
    forces.type_ = platform.type;
    forces.channelCount_ = channelCount;
    forces.used_ = platform.type == 3 ? 8 : 6;
    if (auto refusal = CheckChannels(platform, forces.used_, channelCount)) {
        why = *refusal;
        return std::nullopt;
    }
    for (std::size_t i = 0; i < forces.used_; ++i) forces.channels_[i] = platform.channels[i] - 1;
    if (platform.type == 4) {
        if (platform.calibration.size() != forces.calibration_.size()) {
            why = Refused(L"of type 4 has " + std::to_wstring(platform.calibration.size()) +
                          L" calibration values, not 36");
            return std::nullopt;
        }
        // All zeros is no calibration at all: what a file of several
        // platforms holds for one that has none.
        if (std::all_of(platform.calibration.begin(), platform.calibration.end(),
                        [](double v) { return v == 0; })) {
            why = Refused(L"of type 4 has a calibration matrix of zeros");
            return std::nullopt;
        }
        std::copy(platform.calibration.begin(), platform.calibration.end(),
                  forces.calibration_.begin());
    }
    const auto axes = PlateAxes(platform.corners);
    if (!axes) {
        why = Refused(L"corners span no plane");
        return std::nullopt;
    }
    forces.axes_ = *axes;
    forces.centre_ = Mean(platform.corners);
    forces.origin_ = platform.origin;
    forces.origin_[2] = -std::abs(platform.origin[2]);
    forces.zero_ = platform.zero;
    forces.zeroBaseline_ = options.zeroBaseline;
    if (platform.type == 3 && !platform.copPolynomial.empty()) {
        forces.correctsCop_ = platform.copPolynomial.size() == forces.copPolynomial_.size();
        forces.ignoresCopPolynomial_ = !forces.correctsCop_;
        if (forces.correctsCop_) {
            std::copy(platform.copPolynomial.begin(), platform.copPolynomial.end(),
                      forces.copPolynomial_.begin());
            forces.millimetresPerUnit_ = platform.millimetresPerUnit;
        }
    }
    return forces;
}

PlatformBaseline PlatformForces::SetBaseline(const C3DAnalog& analog) {
    return SetBaseline(std::span<const double>(analog.samples));
}

PlatformBaseline PlatformForces::SetBaseline(std::span<const double> samples) {
    if (!zeroBaseline_) return PlatformBaseline::kNotAsked;
    if (zero_[0] == 0 && zero_[1] == 0) return PlatformBaseline::kNoRange;
    const std::size_t sampleCount = samples.size() / channelCount_;  // Prepare saw channelCount_ > 0
    if (zero_[0] < 1 || zero_[1] < zero_[0] || static_cast<std::size_t>(zero_[1]) > sampleCount) {
        return PlatformBaseline::kOutsideSamples;
    }
    std::array<double, 8> sums{};
    for (std::size_t s = static_cast<std::size_t>(zero_[0]) - 1;
         s < static_cast<std::size_t>(zero_[1]); ++s) {
        for (std::size_t i = 0; i < used_; ++i) sums[i] += samples[s * channelCount_ + channels_[i]];
    }
    const double count = zero_[1] - zero_[0] + 1.0;
    for (std::size_t i = 0; i < used_; ++i) baseline_[i] = sums[i] / count;
    return PlatformBaseline::kTaken;
}

std::array<double, 8> PlatformForces::PlatformValues(std::span<const double> sampleValues) const {
    std::array<double, 8> v{};
    for (std::size_t i = 0; i < used_; ++i) v[i] = sampleValues[channels_[i]] - baseline_[i];
    return v;
}

PlatformSample PlatformForces::At(std::span<const double> sampleValues) const {
    const std::array<double, 8> v = PlatformValues(sampleValues);
    switch (type_) {
        case 1:
            return FromCentreOfPressure(v);
        case 3:
            return FromFourSensors(v);
        case 4:
            return FromSixComponents(Calibrated(v));
        default:
            return FromSixComponents(v);
    }
}

// The calibration matrix M turns the six channels into Fx, Fy, Fz, Mx, My,
// Mz as output = M * channels. Its values run down a column first:
// M[row][col] = calibration[row + 6 * col].
std::array<double, 8> PlatformForces::Calibrated(const std::array<double, 8>& v) const {
    std::array<double, 8> loads{};
    for (std::size_t row = 0; row < 6; ++row) {
        for (std::size_t col = 0; col < 6; ++col) loads[row] += calibration_[row + 6 * col] * v[col];
    }
    return loads;
}

// Fx, Fy, Fz, Mx, My, Mz at the sensor; the moment is moved to the
// surface's centre by F cross ORIGIN.
PlatformSample PlatformForces::FromSixComponents(const std::array<double, 8>& v) const {
    const Vec3d force{v[0], v[1], v[2]};
    const Vec3d atSensor{v[3], v[4], v[5]};
    return FromLoads(force, Plus(atSensor, Cross(force, origin_)));
}

// Fx12, Fx34, Fy14, Fy23 and Fz1 to Fz4 of four sensors at (a, b), (-a, b),
// (-a, -b) and (a, -b), a and b ORIGIN's x and y; the moment about the
// sensors' plane is moved up to the surface by F cross (0, 0, ORIGIN z).
PlatformSample PlatformForces::FromFourSensors(const std::array<double, 8>& v) const {
    const double a = origin_[0];
    const double b = origin_[1];
    const Vec3d force{v[0] + v[1], v[2] + v[3], v[4] + v[5] + v[6] + v[7]};
    const Vec3d atSensors{b * (v[4] + v[5] - v[6] - v[7]), a * (v[5] + v[6] - v[4] - v[7]),
                          b * (v[1] - v[0]) + a * (v[2] - v[3])};
    return FromLoads(force, Plus(atSensors, Cross(force, {0, 0, origin_[2]})));
}

// A type 1 plate gives Fx, Fy, Fz, the centre of pressure's x and y and the
// free moment Tz, all in its own frame, the centre of pressure from the
// surface's centre. The moment about that centre is F cross r - Tz z, with
// F the force, r the centre of pressure from the centre (z 0, on the
// surface) and z the plate's z axis, all turned into the lab's frame: the
// convention C3D tools share for these plates, so that their numbers agree.
// It is the opposite of r cross F + Tz z, the moment that types 2 to 4 give.
PlatformSample PlatformForces::FromCentreOfPressure(const std::array<double, 8>& v) const {
    const Vec3d force = Turn(axes_, {v[0], v[1], v[2]});
    const Vec3d fromCentre = Turn(axes_, {v[3], v[4], 0});
    PlatformSample sample;
    sample.force = force;
    sample.moment = Minus(Cross(force, fromCentre), Times(axes_[2], v[5]));
    sample.cop = Unloaded(v[2]) ? kNoCentreOfPressure : Plus(centre_, fromCentre);
    return sample;
}

// Force and moment about the surface's centre, in the plate's frame, turned
// into the lab's; the centre of pressure is where the load's line meets the
// surface, (-My / Fz, Mx / Fz, 0) from its centre.
PlatformSample PlatformForces::FromLoads(const Vec3d& force, const Vec3d& moment) const {
    PlatformSample sample;
    sample.force = Turn(axes_, force);
    sample.moment = Turn(axes_, moment);
    if (Unloaded(force[2])) {
        sample.cop = kNoCentreOfPressure;
    } else {
        const Vec3d fromCentre{-moment[1] / force[2], moment[0] / force[2], 0};
        sample.cop = Plus(centre_, Turn(axes_, correctsCop_ ? CopCorrected(fromCentre) : fromCentre));
    }
    return sample;
}

// The plate maker's correction of a measured centre of pressure (ax, ay),
// in mm from the surface's centre: ax less
// (P1x ay^4 + P2x ay^2 + P3x) ax^3 + (P4x ay^4 + P5x ay^2 + P6x) ax, and
// ay less the same with x and y swapped and the y terms.
Vec3d PlatformForces::CopCorrected(const Vec3d& fromCentre) const {
    const double ax = fromCentre[0] * millimetresPerUnit_;
    const double ay = fromCentre[1] * millimetresPerUnit_;
    const auto error = [](const double* p, double along, double across) {
        const double across2 = across * across;
        const double across4 = across2 * across2;
        return (p[0] * across4 + p[1] * across2 + p[2]) * along * along * along +
               (p[3] * across4 + p[4] * across2 + p[5]) * along;
    };
    const double* terms = copPolynomial_.data();
    return {(ax - error(terms, ax, ay)) / millimetresPerUnit_,
            (ay - error(terms + 6, ay, ax)) / millimetresPerUnit_, 0};
}

}  // namespace tovfileio
