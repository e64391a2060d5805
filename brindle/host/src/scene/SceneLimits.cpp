#include "scene/SceneLimits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace brindle::host {
namespace {

// The shortest decimal that reads back as `value`: 1e+308, 1e-06.
std::string Number(double value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

}  // namespace

std::string SystemUnitProblem(double millimetres) {
    if (!std::isfinite(millimetres)) return "is not a finite number";
    if (millimetres >= kMinSystemUnitMm && millimetres <= kMaxSystemUnitMm) return std::string();
    return Number(millimetres) + " is out of range (" + Number(kMinSystemUnitMm) + " to " +
           Number(kMaxSystemUnitMm) + " mm)";
}

std::string TickProblem(TimeValue tick) {
    if (tick >= -kMaxTickDistance && tick <= kMaxTickDistance) return std::string();
    return "tick " + std::to_string(tick) + " lies more than " + std::to_string(kMaxTickDistance) +
           " ticks (62 hours) from time 0";
}

std::string RangeProblem(TimeValue start, TimeValue end, int ticksPerFrame,
                         std::uint64_t mostKeys) {
    const std::string range = "[" + std::to_string(start) + ", " + std::to_string(end) + "]";
    if (end < start) return range + " runs backwards (it ends before it starts)";
    for (const TimeValue tick : {start, end}) {
        const std::string problem = TickProblem(tick);
        if (!problem.empty()) return range + ": " + problem;
    }
    // Frames as an export counts them: from the start's frame to the end's.
    const auto frames = static_cast<std::uint64_t>(end / ticksPerFrame - start / ticksPerFrame) + 1;
    const std::uint64_t allowed = std::max(kRangeFramesAllowed, mostKeys);
    if (frames <= allowed) return std::string();
    return range + " holds " + std::to_string(frames) + " frames; a scene's range may hold " +
           std::to_string(kRangeFramesAllowed) +
           " frames, or as many as the keys of its most keyed controller";
}

std::string NumberProblem(double value) {
    if (std::isfinite(value)) return std::string();
    return std::isnan(value) ? "is not a number" : "is infinite";
}

}  // namespace brindle::host
