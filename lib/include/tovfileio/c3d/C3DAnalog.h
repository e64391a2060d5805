// The analog channels of a C3D file (force plates, EMG, other sensors) and
// its force platforms, as the ANALOG and FORCE_PLATFORM groups describe
// them: read beside the points by ReadC3DFile when C3DReadOptions asks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tovfileio {

// One analog channel: ANALOG:LABELS (and LABELS2, ...), DESCRIPTIONS and
// UNITS, trailing blanks trimmed; SCALE and OFFSET of its place.
struct AnalogChannel {
    std::wstring label;
    std::wstring description;
    std::wstring units;
    double scale = 1.0;
    double offset = 0.0;
};

// The analog samples of one frame: `samplesPerFrame` samples of every
// channel, sample-major (value [s * channels + c]), scaled.
struct AnalogFrame {
    std::int64_t frame = 0;           // the point frame they follow, as the file numbers it
    const double* values = nullptr;   // samplesPerFrame * channels values
};

// Told the analog samples frame by frame as they are read, in frame order,
// instead of keeping them in C3DAnalog::samples.
class AnalogSink {
public:
    virtual ~AnalogSink() = default;
    virtual void Frame(const AnalogFrame& frame) = 0;
};

// The analog channels of a file and, unless they went to a sink, their
// samples. A sample's value is (stored - OFFSET) * SCALE * GEN_SCALE of its
// channel; a stored value is a 16-bit integer, signed or (ANALOG:FORMAT
// "UNSIGNED") unsigned, in an integer file, a float in a floating-point one.
struct C3DAnalog {
    double rate = 0.0;                  // ANALOG:RATE, samples a second
    std::uint32_t samplesPerFrame = 0;  // samples of each channel between one frame's points and the next's
    double generalScale = 1.0;          // ANALOG:GEN_SCALE
    bool unsignedValues = false;        // ANALOG:FORMAT "UNSIGNED"
    std::vector<AnalogChannel> channels;  // ANALOG:USED of them
    // Every sample of every frame read, sample-major: the value of channel
    // c at sample s is samples[s * channels.size() + c]. Sample 0 belongs to
    // the take's first frame.
    std::vector<double> samples;

    std::uint64_t SampleCount() const {
        return channels.empty() ? 0 : samples.size() / channels.size();
    }
};

using Vec3d = std::array<double, 3>;

// One force platform of FORCE_PLATFORM, by its place in the group.
struct ForcePlatform {
    int type = 0;                       // TYPE: 1 to 4 are computed; others are listed only
    std::array<Vec3d, 4> corners{};     // CORNERS, in the lab's frame and the point unit
    Vec3d origin{};                     // ORIGIN: the sensor from the plate's centre, plate frame
    std::vector<std::uint32_t> channels;  // CHANNEL: analog channels from 1 (6, or 8 for type 3)
    // CAL_MATRIX of a type 4 platform: 36 values, the first dimension
    // running fastest (empty for the other types).
    std::vector<double> calibration;
    std::array<std::int32_t, 2> zero{};  // ZERO: first and last analog sample (from 1) of the baseline
    // FPCOPPOLY of a type 3 platform where the file gives one (empty else):
    // the plate maker's twelve centre-of-pressure correction terms, P1x to
    // P6x then P1y to P6y, for a centre of pressure in mm.
    std::vector<double> copPolynomial;
    // The point unit (CORNERS, ORIGIN, the centre of pressure) in mm, which
    // the correction polynomial's millimetres are taken from.
    double millimetresPerUnit = 1.0;
};

}  // namespace tovfileio
