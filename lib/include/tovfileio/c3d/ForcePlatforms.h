// The force, moment and centre of pressure of a C3D force platform at each
// analog sample, in the lab's frame, from the platform's analog channels and
// its FORCE_PLATFORM description (types 1 to 4).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tovfileio/c3d/C3DAnalog.h"

namespace tovfileio {

// One platform at one analog sample, in the lab's frame: the force on the
// plate in the force unit of its channels; the moment about the centre of
// its working surface in the force unit times the point unit (N mm for a
// file in mm); the centre of pressure in the point unit, NaN in all three
// where the plate carries (nearly) no vertical load.
struct PlatformSample {
    Vec3d force{};
    Vec3d moment{};
    Vec3d cop{};
};

struct PlatformForcesOptions {
    bool zeroBaseline = false;  // take each channel's ZERO baseline off first
};

// Below this vertical force (the force unit, the plate's own z) a plate is
// taken as unloaded: its centre of pressure, a moment divided by the
// vertical force, would be noise divided by almost nothing, so it is NaN.
inline constexpr double kLeastCopForce = 1e-9;

// What SetBaseline did with a platform's ZERO range.
enum class PlatformBaseline {
    kNotAsked,        // options.zeroBaseline off: the channels are used as they are
    kTaken,           // each channel's mean over the range is taken off
    kNoRange,         // ZERO is 0 0: the file names no baseline
    kOutsideSamples,  // the range is not within the samples held: none taken
};

// One platform's arithmetic, its geometry worked out once by Prepare, so
// that At, which runs for every analog sample of every platform, only
// multiplies and adds (it allocates nothing).
//
// The plate's axes come from its corners: x along corner 1 - corner 2, y
// along corner 1 - corner 4, z = x cross y, then y = z cross x, each of
// unit length; its centre is the mean of the corners. ORIGIN is the sensor
// from that centre in the plate's frame, whose z points down into the
// plate, so its z is taken as negative whatever sign the file gives it.
class PlatformForces {
public:
    // The arithmetic of `platform` for samples of `channelCount` channels;
    // none, with `why` told the reason, for a type other than 1 to 4, a
    // channel outside 1..channelCount (or too few channels: 6, 8 for type
    // 3), a type 4 platform without its 36 calibration values, or corners
    // that span no plane.
    static std::optional<PlatformForces> Prepare(const ForcePlatform& platform,
                                                 std::size_t channelCount,
                                                 const PlatformForcesOptions& options,
                                                 std::wstring& why);

    // Takes the platform's ZERO baseline from `analog` (whose channels are
    // the `channelCount` given to Prepare) when the options ask for it.
    PlatformBaseline SetBaseline(const C3DAnalog& analog);
    // The same from samples kept elsewhere: every channel of each sample,
    // sample-major, the take's first sample first.
    PlatformBaseline SetBaseline(std::span<const double> samples);

    // The platform at one analog sample: `sampleValues` holds every
    // channel of that sample (at least channelCount values).
    PlatformSample At(std::span<const double> sampleValues) const;

    Vec3d Centre() const { return centre_; }
    // The plate's x, y and z axes in the lab's frame.
    std::array<Vec3d, 3> Axes() const { return axes_; }
    // True where the file gives a type 3 platform a centre-of-pressure
    // correction polynomial (FPCOPPOLY) of other than twelve terms: it is
    // not applied. Twelve terms correct every centre of pressure.
    bool IgnoresCopPolynomial() const { return ignoresCopPolynomial_; }

private:
    PlatformForces() = default;

    // The channels of one sample in the platform's order, baseline off.
    std::array<double, 8> PlatformValues(std::span<const double> sampleValues) const;
    std::array<double, 8> Calibrated(const std::array<double, 8>& v) const;  // type 4
    PlatformSample FromCentreOfPressure(const std::array<double, 8>& v) const;  // type 1
    PlatformSample FromSixComponents(const std::array<double, 8>& v) const;    // types 2 and 4
    PlatformSample FromFourSensors(const std::array<double, 8>& v) const;      // type 3
    // Force and moment about the surface's centre, plate frame, to the lab's.
    PlatformSample FromLoads(const Vec3d& force, const Vec3d& moment) const;
    // A centre of pressure from the surface's centre, plate frame, less the
    // error the plate maker's polynomial gives there.
    Vec3d CopCorrected(const Vec3d& fromCentre) const;

    int type_ = 0;
    std::size_t channelCount_ = 0;
    std::size_t used_ = 0;                  // channels the type reads: 6, or 8 for type 3
    std::array<std::size_t, 8> channels_{};  // their places in a sample, from 0
    std::array<double, 8> baseline_{};
    std::array<double, 36> calibration_{};  // type 4, the first dimension running fastest
    std::array<std::int32_t, 2> zero_{};
    bool zeroBaseline_ = false;
    bool ignoresCopPolynomial_ = false;
    bool correctsCop_ = false;
    std::array<double, 12> copPolynomial_{};  // P1x..P6x, P1y..P6y
    double millimetresPerUnit_ = 1.0;
    Vec3d origin_{};
    Vec3d centre_{};
    std::array<Vec3d, 3> axes_{};
};

}  // namespace tovfileio
