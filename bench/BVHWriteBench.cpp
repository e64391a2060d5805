// Write speed of WriteBVHFile against HTRFile::Write on the same models (read
// from the generated HTR files the HTR benchmarks use), and read speed of
// the BVH files written.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/BenchSupport.h"
#include "tovfileio/bvh/BVHReader.h"
#include "tovfileio/bvh/BVHWriter.h"
#include "tovfileio/htr/HTRFile.h"

using namespace tovfileio;

namespace {

bool ReadSource(benchmark::State& state, HTRFile& htr) {
    const auto& source = tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                           static_cast<std::uint32_t>(state.range(1)));
    if (htr.Read(tovbench::Wide(source)).empty()) return true;
    state.SkipWithError("cannot read the source file");
    return false;
}

void Report(benchmark::State& state, const std::filesystem::path& file) {
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(file));
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["file_MB"] = double(bytes) / 1e6;
    std::filesystem::remove(file);
}

// args: segments, frames
void BM_BvhWrite(benchmark::State& state) {
    HTRFile htr;
    if (!ReadSource(state, htr)) return;
    const auto target = tovbench::ScratchPath("write.bvh");
    const std::wstring path = tovbench::Wide(target);
    for (auto _ : state) {
        if (!WriteBVHFile(path, htr).empty()) return state.SkipWithError("write failed");
    }
    Report(state, target);
}

void BM_HtrWriteSameModel(benchmark::State& state) {
    HTRFile htr;
    if (!ReadSource(state, htr)) return;
    const auto target = tovbench::ScratchPath("write-beside-bvh.htr");
    const std::wstring path = tovbench::Wide(target);
    for (auto _ : state) {
        if (!htr.Write(path).empty()) return state.SkipWithError("write failed");
    }
    Report(state, target);
}

void BM_BvhRead(benchmark::State& state) {
    HTRFile htr;
    if (!ReadSource(state, htr)) return;
    const auto source = tovbench::ScratchPath("read.bvh");
    const std::wstring path = tovbench::Wide(source);
    if (!WriteBVHFile(path, htr).empty()) return state.SkipWithError("write failed");
    for (auto _ : state) {
        HTRFile read;
        if (!ReadBVH(path, read).empty()) return state.SkipWithError("read failed");
    }
    Report(state, source);
}

#define TOV_SIZES ->Args({21, 700})->Args({60, 20000})->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_BvhWrite) TOV_SIZES;
BENCHMARK(BM_HtrWriteSameModel) TOV_SIZES;
BENCHMARK(BM_BvhRead) TOV_SIZES;

}  // namespace

BENCHMARK_MAIN();
