// Gap filling and the low-pass filter of a whole take, against reading it:
// the generated TRC file read into the marker model (timed with the clock
// paused), then its gaps filled as --fill-gaps auto fills them and every
// marker filtered at 6 Hz (the subject). x_read is the cleaning's time over
// the read's. Two takes of 80 markers over 20,000 rows at 60 Hz: one whose
// markers flicker out for a row (one sample in 200), one whose markers are
// occluded for 12 rows (0.2 s) at a time, about as many samples missing.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "tovfileio/clean/GapFill.h"
#include "tovfileio/clean/LowPass.h"
#include "tovfileio/convert/Takes.h"

using namespace tovfileio;

namespace {

// args: markers, rows, the rows each dropout lasts
void BM_FillAndFilter(benchmark::State& state) {
    tovgen::TrcOptions options;
    options.markers = static_cast<std::uint32_t>(state.range(0));
    options.rows = static_cast<std::uint32_t>(state.range(1));
    options.occlusionRows = static_cast<std::uint32_t>(state.range(2));
    options.dropoutRate = tovgen::kDefaultDropoutRate / options.occlusionRows;
    const std::string path =
        tovbench::TrcFile(options, "clean_" + std::to_string(options.markers) + "x" +
                                       std::to_string(options.rows) + "o" +
                                       std::to_string(options.occlusionRows) + ".trc")
            .string();
    double readSeconds = 0, fillSeconds = 0, filterSeconds = 0;
    std::uint64_t filled = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TRCFile take;
        readSeconds += tovbench::Seconds([&] { ReadMarkers(path, FileKind::kTrc, take); });
        const BiquadFilter filter = *ButterworthLowPass(6, take.GetDataRate());
        state.ResumeTiming();
        fillSeconds += tovbench::Seconds([&] { filled += FillGaps(take, GapFillOptions{}).filled.size(); });
        filterSeconds += tovbench::Seconds([&] { LowPassTake(take, filter); });
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["x_read"] = (fillSeconds + filterSeconds) / readSeconds;
    state.counters["read_ms"] = 1000 * readSeconds / iterations;
    state.counters["fill_ms"] = 1000 * fillSeconds / iterations;
    state.counters["filter_ms"] = 1000 * filterSeconds / iterations;
    state.counters["gaps_filled"] = static_cast<double>(filled) / iterations;
}
BENCHMARK(BM_FillAndFilter)->Args({80, 20000, 1})->Args({80, 20000, 12})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
