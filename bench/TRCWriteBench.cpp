// Write speed of WriteTRCFile and WriteMarkerCsvFile against WriteGWMFile,
// for the same take read from a generated TRC file, each against the writer
// floor: the take's coordinates written once with to_chars (fixed, six
// decimals) through a reused buffer.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
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
    TRCFile trc;
    if (!trc.Read(tovbench::Wide(source)).empty()) {
        return state.SkipWithError("cannot read the source file");
    }
    const auto target = tovbench::ScratchPath("write.out");
    const std::wstring targetPath = tovbench::Wide(target);
    const ConvertGWMSettings settings;
    tovbench::RunWriteBenchmark(state, Coordinates(trc), target, [&] {
        if constexpr (kWriter == kTrc) {
            return WriteTRCFile(targetPath, trc).empty();
        } else if constexpr (kWriter == kCsv) {
            return WriteMarkerCsvFile(targetPath, trc).empty();
        } else {
            return WriteGWMFile(targetPath, trc, settings);
        }
    });
}

void Takes(benchmark::internal::Benchmark* b) {
    b->Args({40, 800})->Args({80, 20000})->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_Write<kTrc>)->Name("BM_TrcWrite")->Apply(Takes);
BENCHMARK(BM_Write<kCsv>)->Name("BM_CsvWrite")->Apply(Takes);
BENCHMARK(BM_Write<kGwm>)->Name("BM_GwmWrite")->Apply(Takes);

}  // namespace

BENCHMARK_MAIN();
