// Write speed of WriteGWMFile for TRC files read from generated files,
// against the writer floor: the coordinates the writer formats, each written
// once with to_chars (fixed, six decimals) through a reused buffer.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "tovfileio/trc/TRCFile.h"
#include "tovfileio/gwm/GWMWriter.h"

using namespace tovfileio;

namespace {

// The numbers the writer formats with six decimals, in file order: three
// coordinates for every valid sample of every row the header claims.
std::vector<double> WrittenValues(const TRCFile& trc) {
    std::vector<double> values;
    for (std::int32_t row = 0; row < trc.GetNumFrames(); ++row) {
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            double x, y, z;
            if (trc.GetMarker(m)->GetPosition(static_cast<std::uint32_t>(row), x, y, z)) {
                values.insert(values.end(), {x, -z, y});
            }
        }
    }
    return values;
}

// args: markers, rows
void BM_GwmWrite(benchmark::State& state) {
    const auto& source = tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                           static_cast<std::uint32_t>(state.range(1)));
    TRCFile trc;
    if (!trc.Read(tovbench::Wide(source)).empty()) {
        return state.SkipWithError("cannot read the source file");
    }
    const auto target = tovbench::ScratchPath("write.gwm");
    const std::wstring targetPath = tovbench::Wide(target);
    const ConvertGWMSettings settings;
    tovbench::RunWriteBenchmark(state, WrittenValues(trc), target,
                                [&] { return WriteGWMFile(targetPath, trc, settings); });
}
BENCHMARK(BM_GwmWrite)
    ->Args({40, 800})
    ->Args({80, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
