// End-to-end speed of `tovfileio convert` on generated HTR files (to HTR)
// and TRC files (to GWM), against the floors of both halves: every number of
// the input converted by from_chars, then written again with to_chars
// (fixed, six decimals) into a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/NumberFloor.h"
#include "cli/files/CommandIO.h"

namespace {

// The conversion of `source` into `target`, timed against the floors.
void RunConvert(benchmark::State& state, const std::filesystem::path& source,
                const std::filesystem::path& target) {
    const auto floorTarget = tovbench::ScratchPath("convert_floor.txt");
    const Arguments args = {"convert", source.native(), target.native()};
    std::FILE* quiet = std::fopen("/dev/null", "w");
    const CommandIO io{quiet, quiet};
    std::vector<char> buffer;
    // The values the floor carries from reading to writing, sized once
    // beforehand so that the floor never pays for fresh memory.
    std::vector<double> values;
    tovfloor::ParseNumbers(source.native(), buffer, &values);
    tovbench::FloorClock clock;
    std::uint64_t faults = 0;  // fresh pages the last run brought into use
    for (auto _ : state) {
        state.PauseTiming();
        clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
        clock.AddFloor(tovbench::Seconds([&] {
            values.clear();
            tovfloor::ParseNumbers(source.native(), buffer, &values);
            benchmark::DoNotOptimize(tovfloor::WriteNumbers(floorTarget, values, buffer));
        }));
        state.ResumeTiming();
        int status = 0;
        faults = tovbench::PageFaults();
        clock.AddSubject(tovbench::Seconds([&] { status = RunTovfileio(args, io); }));
        faults = tovbench::PageFaults() - faults;
        if (status != kExitOk) {
            state.SkipWithError("convert failed");
            break;
        }
    }
    clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
    clock.Report(state, std::filesystem::file_size(source));
    std::fclose(quiet);
    std::filesystem::remove(target);
    std::filesystem::remove(floorTarget);
}

// args: segments, frames
void BM_ConvertHtr(benchmark::State& state) {
    RunConvert(state,
               tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                 static_cast<std::uint32_t>(state.range(1))),
               tovbench::ScratchPath("convert.htr"));
}
BENCHMARK(BM_ConvertHtr)
    ->Args({21, 700})
    ->Args({60, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// args: markers, rows
void BM_ConvertTrcToGwm(benchmark::State& state) {
    RunConvert(state,
               tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                 static_cast<std::uint32_t>(state.range(1))),
               tovbench::ScratchPath("convert.gwm"));
}
BENCHMARK(BM_ConvertTrcToGwm)
    ->Args({40, 800})
    ->Args({80, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
