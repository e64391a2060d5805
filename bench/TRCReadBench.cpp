// Read speed of TRCFile::Read on generated files, against the reader floor
// (every number of the same file converted once by from_chars).
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

// args: markers, rows
void BM_TrcRead(benchmark::State& state) {
    tovbench::RunReadBenchmark<TRCFile>(
        state, tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                static_cast<std::uint32_t>(state.range(1))));
}
BENCHMARK(BM_TrcRead)
    ->Args({40, 800})
    ->Args({40, 3000})
    ->Args({80, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
