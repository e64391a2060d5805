// Synthetic motion-capture files for benchmarks, fuzz seeds and samples.
#pragma once

#include <cstdint>
#include <string>

namespace tovgen {

// How the segments of a generated HTR file hang together.
enum class HtrShape {
    kHuman,  // a human skeleton, further segments in chains of four
    kChain,  // every segment below the one before it: as deep as it is long
    kWide,   // every segment but the first below the first
};

struct HtrOptions {
    // With the human shape the first 21 segments form a human skeleton (hips,
    // spine, head, arms, legs); further segments hang below it as extra
    // chains.
    std::uint32_t segments = 21;
    std::uint32_t frames = 48;
    std::int32_t frameRate = 60;
    std::uint64_t seed = 1;
    HtrShape shape = HtrShape::kHuman;
};

// A complete HTR file in millimetres and degrees, lines ended by CR LF, with
// a gentle walking motion on every segment.
std::string GenerateHtr(const HtrOptions& options);

// The share of TRC samples that drop out unless asked otherwise.
constexpr double kDefaultDropoutRate = 1.0 / 200;

struct TrcOptions {
    std::uint32_t markers = 12;
    std::uint32_t rows = 30;
    std::int32_t dataRate = 60;
    std::uint64_t seed = 1;
    // The share of samples, 0 to 1, that drop out (empty fields).
    double dropoutRate = kDefaultDropoutRate;
    // The rows a marker stays unseen once it drops out: 1 for a flicker,
    // more for an occlusion.
    std::uint32_t occlusionRows = 1;
    // Fields each data row keeps, the frame number and time included, the
    // rest trimmed as some exporters trim unseen markers; 0 keeps them all.
    std::uint32_t rowFields = 0;
};

// A complete TRC file (path-file type 4, millimetres, LF line ends) with the
// markers circling slowly and dropping out at the given rate.
std::string GenerateTrc(const TrcOptions& options);

}  // namespace tovgen
