// Write speed of HTRFile::Write for models read from generated files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "bench/DataGen.h"
#include "brindle/sdk/TextCodec.h"
#include "htr/HTRFile.h"

namespace {

std::filesystem::path ScratchPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("bench_htr_write_" + std::to_string(::getpid()) + "_" + name);
}

// args: segments, frames
void BM_HtrWrite(benchmark::State& state) {
    tovgen::HtrOptions options;
    options.segments = static_cast<std::uint32_t>(state.range(0));
    options.frames = static_cast<std::uint32_t>(state.range(1));
    const auto source = ScratchPath("source.htr");
    const auto target = ScratchPath("target.htr");
    {
        const std::string text = tovgen::GenerateHtr(options);
        std::FILE* file = std::fopen(source.c_str(), "wb");
        if (file == nullptr) return state.SkipWithError("cannot write the source file");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    HTRFile htr;
    if (!htr.Read(TextCodec::PathToWide(source.native())).empty()) {
        return state.SkipWithError("cannot read the source file");
    }
    const std::wstring targetPath = TextCodec::PathToWide(target.native());
    for (auto _ : state) {
        if (!htr.Write(targetPath).empty()) {
            state.SkipWithError("write failed");
            break;
        }
    }
    const auto bytes = std::filesystem::file_size(target);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    std::filesystem::remove(source);
    std::filesystem::remove(target);
}
BENCHMARK(BM_HtrWrite)->Args({21, 480})->Args({60, 20000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
