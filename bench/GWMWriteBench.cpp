// Write speed of WriteGWMFile for TRC files read from generated files,
// against the writer floor: the coordinates the writer formats, each written
// once with to_chars (fixed, six decimals) through a reused buffer.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/NumberFloor.h"
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
    const auto target = tovbench::ScratchPath("write.gwm");
    const auto floorTarget = tovbench::ScratchPath("write_gwm_floor.txt");
    TRCFile trc;
    if (!trc.Read(tovbench::Wide(source)).empty()) {
        return state.SkipWithError("cannot read the source file");
    }
    const std::vector<double> values = WrittenValues(trc);
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
        clock.AddSubject(tovbench::Seconds([&] { written = WriteGWMFile(targetPath, trc, settings); }));
        if (!written) {
            state.SkipWithError("write failed");
            break;
        }
    }
    clock.Report(state, std::filesystem::file_size(target));
    std::filesystem::remove(target);
    std::filesystem::remove(floorTarget);
}
BENCHMARK(BM_GwmWrite)
    ->Args({40, 800})
    ->Args({80, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
