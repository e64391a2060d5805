// A long capture read row by row: `tovfileio info` and `tovfileio convert`
// of a generated TRC file of 80 markers over 200,000 rows (about 500 MB),
// each run as its own process, against the reader floor (every number of
// the file converted by from_chars) timed in the same run. Besides the
// time ratio (x_floor) each reports the process's peak memory (peak_MB):
// neither keeps the rows, so it does not grow with the file. And the same
// rows trimmed to a frame number and a time under 200,000 marker names
// (9.8 MB): `info` and `info --diagnose` take them at the cost of their
// bytes, not of the markers they name.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/ProcessRun.h"

namespace {

int RunProcess(const std::vector<std::string>& args, std::uint64_t& peakBytes) {
    return tovbench::RunProcess(TOVFILEIO_PATH, args, peakBytes);
}

// `rowFields`: the fields each row keeps (0: all).
void RunLongCapture(benchmark::State& state, const std::vector<std::string>& command,
                    std::uint32_t rowFields = 0) {
    const auto& file = tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                         static_cast<std::uint32_t>(state.range(1)), rowFields);
    std::vector<std::string> args = command;
    for (auto& arg : args) {
        if (arg == "IN") arg = file.native();
    }
    std::vector<char> buffer;
    tovbench::FloorClock clock;
    std::uint64_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        clock.AddFloor(tovbench::Seconds([&] { tovbench::ReadFloor(file, buffer); }));
        state.ResumeTiming();
        int status = 0;
        clock.AddSubject(tovbench::Seconds([&] { status = RunProcess(args, peak); }));
        if (status != 0) {
            state.SkipWithError("tovfileio failed");
            break;
        }
    }
    clock.Report(state, std::filesystem::file_size(file));
    state.counters["peak_MB"] = static_cast<double>(peak) / (1 << 20);
}

// args: markers, rows
void BM_InfoLongTrc(benchmark::State& state) { RunLongCapture(state, {"info", "IN"}); }
BENCHMARK(BM_InfoLongTrc)->Args({80, 200000})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertLongTrc(benchmark::State& state) {
    const auto target = tovbench::ScratchPath("long.gwm");
    RunLongCapture(state, {"convert", "IN", target.native()});
    std::filesystem::remove(target);
}
BENCHMARK(BM_ConvertLongTrc)->Args({80, 200000})->Unit(benchmark::kMillisecond)->UseRealTime();

// args: markers, rows; each row a frame number and a time
void BM_InfoTrimmedRows(benchmark::State& state) { RunLongCapture(state, {"info", "IN"}, 2); }
BENCHMARK(BM_InfoTrimmedRows)
    ->Args({200000, 200000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_DiagnoseTrimmedRows(benchmark::State& state) {
    RunLongCapture(state, {"info", "--diagnose", "IN"}, 2);
}
BENCHMARK(BM_DiagnoseTrimmedRows)
    ->Args({200000, 200000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
