// Synthetic motion-capture files for benchmarks, fuzz seeds and samples.
#pragma once

#include <cstdint>
#include <string>

namespace tovgen {

struct HtrOptions {
    // The first 21 segments form a human skeleton (hips, spine, head, arms,
    // legs); further segments hang below it as extra chains.
    std::uint32_t segments = 21;
    std::uint32_t frames = 48;
    std::int32_t frameRate = 60;
    std::uint64_t seed = 1;
};

// A complete HTR file in millimetres and degrees, lines ended by CR LF, with
// a gentle walking motion on every segment.
std::string GenerateHtr(const HtrOptions& options);

struct TrcOptions {
    std::uint32_t markers = 12;
    std::uint32_t rows = 30;
    std::int32_t dataRate = 60;
    std::uint64_t seed = 1;
};

// A complete TRC file (path-file type 4, millimetres, LF line ends) with the
// markers circling slowly and now and then dropping out (empty fields).
std::string GenerateTrc(const TrcOptions& options);

}  // namespace tovgen
