// Read speed of HTRFile::Read on generated files, against the reader floor
// (every number of the same file converted once by from_chars).
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "tovfileio/htr/HTRFile.h"

using namespace tovfileio;

namespace {

// args: segments, frames
void BM_HtrRead(benchmark::State& state) {
    tovbench::RunReadBenchmark<HTRFile>(
        state, tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                static_cast<std::uint32_t>(state.range(1))));
}
BENCHMARK(BM_HtrRead)
    ->Args({21, 700})
    ->Args({30, 3000})
    ->Args({60, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
