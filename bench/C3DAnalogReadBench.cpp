// Reading a C3D file that holds analog channels beside its markers: the
// points alone (the analog values skipped), and the points with the analog
// channels, kept in the model or handed to sinks, each against the floor of
// the same file (every word of its data section, analog values included,
// widened to double).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/C3DFloor.h"
#include "tovfileio/c3d/C3DFile.h"

using namespace tovfileio;

namespace {

// Counts the rows, as a conversion that takes each would see them.
class CountRows : public TRCRowSink {
  public:
    bool Row(const TRCRow&) override {
        ++rows;
        return true;
    }
    std::uint64_t rows = 0;
};

// Drops every frame's analog samples, counting the frames and whether they
// came numbered 1, 2, 3, ...
class DiscardAnalog : public AnalogSink {
  public:
    void Frame(const AnalogFrame& frame) override {
        inOrder = inOrder && frame.frame == static_cast<std::int64_t>(frames) + 1;
        ++frames;
    }
    std::uint64_t frames = 0;
    bool inOrder = true;
};

// What a read of the file of `options` got wrong, or empty.
std::string PointsMismatch(const tovgen::C3dOptions& options, const TRCFile& model) {
    if (model.GetNumMarkers() != options.markers) return "marker count";
    const double tolerance = options.integers ? tovgen::kIntegerPointScale : 1e-3;
    for (std::uint32_t m = 0; m < options.markers; ++m) {
        for (std::uint32_t f = 0; f < options.frames; ++f) {
            double x, y, z;
            const bool seen = model.GetMarker(m)->GetPosition(f, x, y, z);
            if (seen != ((f + m) % 10 != 0)) return "dropout of M" + std::to_string(m + 1);
            const tovgen::MarkerPosition at = tovgen::MarkerAt(m, f);
            if (seen && (std::abs(x - at.x) > tolerance || std::abs(y - at.y) > tolerance ||
                         std::abs(z - at.z) > tolerance)) {
                return "position of M" + std::to_string(m + 1) + " at frame " + std::to_string(f);
            }
        }
    }
    return {};
}

std::string AnalogMismatch(const tovgen::C3dOptions& options, const C3DAnalog& analog) {
    if (analog.channels.size() != options.analogChannels) return "channel count";
    if (analog.samplesPerFrame != options.analogSamplesPerFrame) return "samples a frame";
    const std::uint64_t samples = std::uint64_t{options.frames} * options.analogSamplesPerFrame;
    if (analog.samples.size() != samples * options.analogChannels) return "sample count";
    const double scale = tovgen::kAnalogScale;
    for (std::uint64_t s = 0; s < samples; ++s) {
        for (std::uint32_t c = 0; c < options.analogChannels; ++c) {
            if (analog.samples[s * options.analogChannels + c] != tovgen::StoredAnalogValue(c, s) * scale) {
                return "value of Ch" + std::to_string(c + 1) + " at sample " + std::to_string(s);
            }
        }
    }
    return {};
}

// One read of the file, timed by `clock`: points kept in `model` or counted
// by a sink, and with `withAnalog` the analog channels too, kept or
// discarded alike. Returns what the read got wrong when `check`, or empty.
std::string TimedRead(const std::filesystem::path& file, const tovgen::C3dOptions& options, bool keep,
                      bool withAnalog, bool check, TRCFile& model, tovbench::FloorClock& clock) {
    CountRows rows;
    DiscardAnalog discard;
    C3DAnalog analog;
    C3DReadOptions read;
    if (!keep) read.rows = &rows;
    if (withAnalog) read.analog = &analog;
    if (withAnalog && !keep) read.analogFrames = &discard;
    std::wstring error;
    clock.AddSubject(tovbench::Seconds([&] { error = ReadC3DFile(file.string(), model, read); }));
    if (!error.empty()) return "read failed";
    if (!check) return {};
    if (!keep) {
        if (rows.rows != options.frames) return "rows given to the sink";
        if (withAnalog && (discard.frames != options.frames || !discard.inOrder)) return "analog frames";
        return {};
    }
    std::string wrong = PointsMismatch(options, model);
    if (wrong.empty() && withAnalog) wrong = AnalogMismatch(options, analog);
    return wrong;
}

std::string FileName(const tovgen::C3dOptions& options) {
    return "analog-" + std::to_string(options.markers) + "x" + std::to_string(options.frames) + "-" +
           std::to_string(options.analogChannels) + "x" + std::to_string(options.analogSamplesPerFrame) +
           (options.integers ? "-int16" : "-float") + ".c3d";
}

// args: markers, frames, analog channels, samples a frame, 1 to keep the
// samples (else sinks take them), 1 to read the analog channels, 1 for a
// file of 16-bit integers (else floats)
void BM_C3dAnalogRead(benchmark::State& state) {
    tovgen::C3dOptions options;
    options.markers = static_cast<std::uint32_t>(state.range(0));
    options.frames = static_cast<std::uint32_t>(state.range(1));
    options.analogChannels = static_cast<std::uint32_t>(state.range(2));
    options.analogSamplesPerFrame = static_cast<std::uint32_t>(state.range(3));
    const bool keep = state.range(4) != 0;
    const bool withAnalog = state.range(5) != 0;
    options.integers = state.range(6) != 0;
    const auto& file = tovbench::C3dFile(options, FileName(options));
    std::vector<char> buffer;
    tovbench::FloorClock clock;
    std::unique_ptr<TRCFile> model;
    std::uint64_t faults = 0;  // fresh pages the last read brought into use
    bool first = true;
    for (auto _ : state) {
        state.PauseTiming();
        model.reset();
        clock.AddFloor(tovbench::Seconds(
            [&] { benchmark::DoNotOptimize(tovbench::ReadC3dWords(file, buffer)); }));
        if (keep) clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
        state.ResumeTiming();
        model = std::make_unique<TRCFile>();
        faults = tovbench::PageFaults();
        const std::string wrong = TimedRead(file, options, keep, withAnalog, first, *model, clock);
        faults = tovbench::PageFaults() - faults;
        if (!wrong.empty()) return state.SkipWithError(("the read is wrong: " + wrong).c_str());
        first = false;
    }
    if (keep) clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
    clock.Report(state, std::filesystem::file_size(file));
}
BENCHMARK(BM_C3dAnalogRead)
    ->ArgNames({"markers", "frames", "channels", "samples", "keep", "analog", "int16"})
    ->Args({60, 20000, 16, 10, 1, 0, 0})
    ->Args({60, 20000, 16, 10, 1, 1, 0})
    ->Args({60, 20000, 16, 10, 0, 0, 0})
    ->Args({60, 20000, 16, 10, 0, 1, 0})
    ->Args({60, 20000, 16, 10, 1, 0, 1})
    ->Args({60, 20000, 16, 10, 1, 1, 1})
    ->Args({60, 20000, 16, 10, 0, 0, 1})
    ->Args({60, 20000, 16, 10, 0, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
