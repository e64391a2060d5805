// Read speed of TRCFile::Read on generated files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "bench/DataGen.h"
#include "brindle/sdk/TextCodec.h"
#include "trc/TRCFile.h"

namespace {

// args: markers, rows
void BM_TrcRead(benchmark::State& state) {
    tovgen::TrcOptions options;
    options.markers = static_cast<std::uint32_t>(state.range(0));
    options.rows = static_cast<std::uint32_t>(state.range(1));
    const auto path = std::filesystem::temp_directory_path() /
                      ("bench_trc_" + std::to_string(::getpid()) + ".trc");
    const std::string text = tovgen::GenerateTrc(options);
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return state.SkipWithError("cannot write the file");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    const std::wstring widePath = TextCodec::PathToWide(path.native());
    TRCFile trc;
    for (auto _ : state) {
        if (!trc.Read(widePath).empty()) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(trc.GetNumRows());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    std::filesystem::remove(path);
}
BENCHMARK(BM_TrcRead)->Args({41, 151})->Args({300, 20000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
