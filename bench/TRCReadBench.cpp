// Read speed of TRCFile::Read on generated files, against the reader floor
// (every number of the same file converted once by from_chars).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "trc/TRCFile.h"

namespace {

// args: markers, rows
void BM_TrcRead(benchmark::State& state) {
    const auto& file = tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                         static_cast<std::uint32_t>(state.range(1)));
    const std::wstring path = tovbench::Wide(file);
    std::vector<char> buffer;
    tovbench::FloorClock clock;
    std::unique_ptr<TRCFile> trc;
    std::uint64_t faults = 0;  // fresh pages the last read brought into use
    for (auto _ : state) {
        state.PauseTiming();
        trc.reset();  // the last model is freed outside the timed part
        clock.AddFloor(tovbench::Seconds([&] { tovbench::ReadFloor(file, buffer); }));
        clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
        state.ResumeTiming();
        // A fresh model each time, as a user opening a file gets.
        trc = std::make_unique<TRCFile>();
        bool read = false;
        faults = tovbench::PageFaults();
        clock.AddSubject(tovbench::Seconds([&] { read = trc->Read(path).empty(); }));
        faults = tovbench::PageFaults() - faults;
        if (!read) {
            state.SkipWithError("read failed");
            break;
        }
    }
    clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
    clock.Report(state, std::filesystem::file_size(file));
}
BENCHMARK(BM_TrcRead)
    ->Args({40, 800})
    ->Args({80, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
