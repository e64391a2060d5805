// Write speed of WriteTRCFile and WriteMarkerCsvFile against WriteGWMFile,
// for the same take read from a generated TRC file, each against the writer
// floor: the take's coordinates written once with to_chars (fixed, six
// decimals) through a reused buffer.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/NumberFloor.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/trc/MarkerCsv.h"
#include "tovfileio/trc/TRCFile.h"
#include "tovfileio/trc/TRCWriter.h"

using namespace tovfileio;

namespace {

enum Writer { kTrc, kCsv, kGwm };

std::vector<double> Coordinates(const TRCFile& trc) {
    std::vector<double> values;
    for (std::int32_t row = 0; row < trc.GetNumFrames(); ++row) {
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            double x, y, z;
            if (trc.GetMarker(m)->GetPosition(static_cast<std::uint32_t>(row), x, y, z)) {
                values.insert(values.end(), {x, y, z});
            }
        }
    }
    return values;
}

// args: markers, rows
template <Writer kWriter>
void BM_Write(benchmark::State& state) {
    const auto& source = tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                           static_cast<std::uint32_t>(state.range(1)));
    const auto target = tovbench::ScratchPath("write.out");
    const auto floorTarget = tovbench::ScratchPath("write_floor.txt");
    TRCFile trc;
    if (!trc.Read(tovbench::Wide(source)).empty()) {
        return state.SkipWithError("cannot read the source file");
    }
    const std::vector<double> values = Coordinates(trc);
    const std::wstring targetPath = tovbench::Wide(target);
    const ConvertGWMSettings settings;
    std::vector<char> buffer;
    tovbench::FloorClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        clock.AddFloor(tovbench::Seconds([&] {
            benchmark::DoNotOptimize(tovfloor::WriteNumbers(floorTarget, values, buffer));
        }));
        state.ResumeTiming();
        bool written = false;
        clock.AddSubject(tovbench::Seconds([&] {
            if constexpr (kWriter == kTrc) written = WriteTRCFile(targetPath, trc).empty();
            if constexpr (kWriter == kCsv) written = WriteMarkerCsvFile(targetPath, trc).empty();
            if constexpr (kWriter == kGwm) written = WriteGWMFile(targetPath, trc, settings);
        }));
        if (!written) {
            state.SkipWithError("write failed");
            break;
        }
    }
    clock.Report(state, std::filesystem::file_size(target));
    std::filesystem::remove(target);
    std::filesystem::remove(floorTarget);
}

void Takes(benchmark::internal::Benchmark* b) {
    b->Args({40, 800})->Args({80, 20000})->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_Write<kTrc>)->Name("BM_TrcWrite")->Apply(Takes);
BENCHMARK(BM_Write<kCsv>)->Name("BM_CsvWrite")->Apply(Takes);
BENCHMARK(BM_Write<kGwm>)->Name("BM_GwmWrite")->Apply(Takes);

}  // namespace

BENCHMARK_MAIN();
