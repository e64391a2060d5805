// Read speed of HTRFile::Read on generated files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "bench/DataGen.h"
#include "brindle/sdk/TextCodec.h"
#include "htr/HTRFile.h"

namespace {

// A generated file on disk, removed at exit.
class GeneratedFile {
public:
    explicit GeneratedFile(const tovgen::HtrOptions& options) {
        path_ = std::filesystem::temp_directory_path() /
                ("bench_htr_" + std::to_string(::getpid()) + "_" +
                 std::to_string(options.segments) + "x" + std::to_string(options.frames) +
                 ".htr");
        const std::string text = tovgen::GenerateHtr(options);
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) return;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        size_ = text.size();
    }
    ~GeneratedFile() { std::filesystem::remove(path_); }

    std::wstring Path() const { return TextCodec::PathToWide(path_.native()); }
    std::size_t Size() const { return size_; }

private:
    std::filesystem::path path_;
    std::size_t size_ = 0;
};

// args: segments, frames
void BM_HtrRead(benchmark::State& state) {
    tovgen::HtrOptions options;
    options.segments = static_cast<std::uint32_t>(state.range(0));
    options.frames = static_cast<std::uint32_t>(state.range(1));
    const GeneratedFile file(options);
    HTRFile htr;
    for (auto _ : state) {
        const std::wstring message = htr.Read(file.Path());
        if (!message.empty()) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(htr.SegmentCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(file.Size()));
    state.counters["MB"] = static_cast<double>(file.Size()) / 1e6;
}
BENCHMARK(BM_HtrRead)->Args({21, 480})->Args({60, 20000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
