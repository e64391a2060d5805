// Synthetic C3D files for benchmarks: markers and, when asked, analog
// channels, as an Intel-ordered file of floats or of 16-bit integers.
#pragma once

#include <cstdint>
#include <string>

namespace tovgen {

// At most 255 markers and 255 channels: each has its labels in one
// parameter.
struct C3dOptions {
    std::uint32_t markers = 12;
    std::uint32_t frames = 30;
    float pointRate = 120.0f;
    // Points and analog values stored as 16-bit integers (POINT:SCALE
    // kIntegerPointScale) instead of floats (POINT:SCALE -1).
    bool integers = false;
    // Analog channels, and the samples of each between one frame's points
    // and the next's; none unless asked.
    std::uint32_t analogChannels = 0;
    std::uint32_t analogSamplesPerFrame = 0;
};

// Millimetres a stored integer coordinate counts.
constexpr float kIntegerPointScale = 0.1f;
// ANALOG:SCALE of every channel: volts a stored value counts.
constexpr float kAnalogScale = 0.01f;

// A complete C3D file: header, parameter section (POINT, and ANALOG with
// USED, LABELS "Ch1".., UNITS "V", SCALE, OFFSET 0, GEN_SCALE 1 and RATE)
// and the data section, each frame's points followed by its analog
// samples, sample-major. Marker m at frame f is at MarkerAt(m, f), a
// dropout (residual -1) when (f + m) % 10 == 0. Frames past 65,535 are
// given by a floating-point POINT:FRAMES, the header's last frame capped.
std::string GenerateC3d(const C3dOptions& options);

struct MarkerPosition {
    double x, y, z;
};
MarkerPosition MarkerAt(std::uint32_t marker, std::uint32_t frame);

// The stored value of channel c at analog sample `sample` (counted from the
// first frame's first): a whole number within +-1000, so it is exact in
// either form; the channel's value in volts is that times kAnalogScale.
int StoredAnalogValue(std::uint32_t channel, std::uint64_t sample);

}  // namespace tovgen
