// A capture system's long take: a generated C3D file of 100 markers over
// 650,000 frames (1.04 GB of floats) converted by `tovfileio convert` to GWM
// and to TRC, and shown by `info`, each run as its own process, with the
// process's peak memory (peak_MB): the rows stream from the C3D reader to
// the writer, so memory does not grow with the file. The outputs go to
// /dev/null (a device is written as it comes), so the runs cost no disk
// beyond the input. Time is compared with `info` of the same file
// (x_info), which reads it and keeps nothing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/ProcessRun.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/text/TextFiles.h"

namespace {

// Writes the take with the C3D writer, a row at a time: markers walking
// round circles, every 50th sample a dropout.
std::filesystem::path MakeLongC3d(std::uint32_t markers, std::uint32_t frames) {
    const auto path = tovbench::ScratchPath("long-" + std::to_string(markers) + "x" +
                                            std::to_string(frames) + ".c3d");
    tovfileio::TRCFile header;
    for (std::uint32_t m = 0; m < markers; ++m) {
        header.AddMarker(tovfileio::TRCMarker(L"M" + std::to_wstring(m + 1)));
    }
    header.SetDataRate(200);
    header.SetNumFrames(static_cast<std::int32_t>(frames));
    int error = 0;
    auto file = tovfileio::TextFiles().CreateOutput(tovbench::Wide(path), error);
    if (!file) return {};
    tovfileio::C3DStream stream(*file);
    if (!stream.Begin(header)) return {};
    std::vector<tovfileio::TRCSample> row(markers);
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (std::uint32_t m = 0; m < markers; ++m) {
            const double a = 0.01 * f + m;
            row[m] = {(f + m) % 50 != 0, false, 1000 * std::cos(a), 1000 * std::sin(a), 10.0 * m};
        }
        stream.Row(tovfileio::TRCRow(row, {}, row.size()));
    }
    stream.Finish();
    return file->Commit() ? path : std::filesystem::path();
}

const std::filesystem::path& LongC3d() {
    static const std::filesystem::path path = MakeLongC3d(100, 650000);
    return path;
}

double RunSeconds(const std::vector<std::string>& args, std::uint64_t& peak, bool& failed) {
    return tovbench::Seconds([&] {
        failed = tovbench::RunProcess(TOVFILEIO_PATH, args, peak) != 0 || failed;
    });
}

void RunLongC3d(benchmark::State& state, const std::vector<std::string>& command) {
    const std::filesystem::path& file = LongC3d();
    if (file.empty()) {
        state.SkipWithError("the C3D file could not be made");
        return;
    }
    std::vector<std::string> args = command;
    for (auto& arg : args) {
        if (arg == "IN") arg = file.native();
    }
    double infoSeconds = 0, subjectSeconds = 0;
    std::uint64_t peak = 0, infoPeak = 0;
    bool failed = false;
    for (auto _ : state) {
        state.PauseTiming();
        infoSeconds += RunSeconds({"info", file.native()}, infoPeak, failed);
        state.ResumeTiming();
        subjectSeconds += RunSeconds(args, peak, failed);
    }
    if (failed) state.SkipWithError("tovfileio failed");
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / (1 << 20);
    state.counters["peak_MB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["x_info"] = infoSeconds > 0 ? subjectSeconds / infoSeconds : 0;
}

void BM_C3dToGwm(benchmark::State& state) {
    RunLongC3d(state, {"convert", "--to", "gwm", "IN", "/dev/null"});
}
void BM_C3dToTrc(benchmark::State& state) {
    RunLongC3d(state, {"convert", "--to", "trc", "IN", "/dev/null"});
}
void BM_C3dInfo(benchmark::State& state) { RunLongC3d(state, {"info", "IN"}); }

BENCHMARK(BM_C3dInfo)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_C3dToGwm)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_C3dToTrc)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
