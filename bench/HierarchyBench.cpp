// Deep and wide files through the command line, each run a process of its
// own: an HTR chain as deep as it has segments, an HTR hierarchy with every
// segment under one parent, and a TRC file of one row and very many markers.
// Each is imported (import-htr or import-trc into a new scene document) and
// exported again (export-htr of that scene, the file's frames) or drawn
// (preview), and an HTR file goes through `roundtrip` (import, export, the
// export read back and compared), timed against `tovfileio info` of the same file in the same
// iteration. The scene document is written by the import and read by the
// export, so these times include it; bench_import times the module alone.
// Counters: info_ms (one info run), x_info_<step> (the step's time over
// info's), <step>_peak_MB (the step's peak resident size) and
// x_file_<step> (that peak over the file's size).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/ProcessRun.h"

namespace {

struct Step {
    std::string name;
    // IN: the file, SCENE: the scene document, OUT: a scratch file, LAST:
    // the file's last frame.
    std::vector<std::string> args;
};

// Runs info and then each step on `file` every iteration.
void RunAgainstInfo(benchmark::State& state, const std::filesystem::path& file,
                    const std::vector<Step>& steps) {
    const std::string last = std::to_string(state.range(1));
    const auto scene = tovbench::ScratchPath("scene.json");
    const auto registry = tovbench::ScratchPath("registry.reg");
    ::setenv("BRINDLE_REGISTRY_FILE", registry.c_str(), 1);
    double infoSeconds = 0;
    std::vector<double> seconds(steps.size(), 0.0);
    std::vector<std::uint64_t> peaks(steps.size(), 0);
    for (auto _ : state) {
        std::filesystem::remove(scene);
        std::uint64_t peak = 0;
        int status = 0;
        infoSeconds += tovbench::Seconds(
            [&] { status = tovbench::RunProcess(TOVFILEIO_PATH, {"info", file.native()}, peak); });
        for (std::size_t s = 0; s < steps.size() && status == 0; ++s) {
            std::vector<std::string> args = steps[s].args;
            for (auto& arg : args) {
                if (arg == "IN") arg = file.native();
                if (arg == "SCENE") arg = scene.native();
                if (arg == "OUT") arg = tovbench::ScratchPath("out").native();
                if (arg == "LAST") arg = last;
            }
            seconds[s] += tovbench::Seconds(
                [&] { status = tovbench::RunProcess(TOVFILEIO_PATH, args, peaks[s]); });
        }
        if (status != 0) {
            state.SkipWithError("tovfileio failed");
            break;
        }
    }
    const double runs = static_cast<double>(state.iterations());
    const double bytes = static_cast<double>(std::filesystem::file_size(file));
    state.counters["info_ms"] = 1000.0 * infoSeconds / runs;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        state.counters["x_info_" + steps[s].name] = seconds[s] / infoSeconds;
        state.counters[steps[s].name + "_peak_MB"] = static_cast<double>(peaks[s]) / (1 << 20);
        state.counters["x_file_" + steps[s].name] = static_cast<double>(peaks[s]) / bytes;
    }
    std::filesystem::remove(scene);
    std::filesystem::remove(registry);
    std::filesystem::remove(tovbench::ScratchPath("out"));
}

const std::vector<Step> kHtrSteps = {
    {"import", {"import-htr", "IN", "--scene", "SCENE", "--suppress-prompts"}},
    {"export", {"export-htr", "OUT", "--scene", "SCENE", "--select", "S0", "--range", "1", "LAST"}},
    {"roundtrip", {"roundtrip", "IN", "OUT"}},
};

// args: segments, frames
void BM_ChainHtr(benchmark::State& state) {
    RunAgainstInfo(state,
                   tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                     static_cast<std::uint32_t>(state.range(1)),
                                     tovgen::HtrShape::kChain),
                   kHtrSteps);
}
// Three runs each: a single run of a step this short against info varies
// by half from one run to the next on a shared machine.
BENCHMARK(BM_ChainHtr)
    ->Args({100000, 1})
    ->Args({20000, 10})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// args: segments, frames
void BM_WideHtr(benchmark::State& state) {
    RunAgainstInfo(state,
                   tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                     static_cast<std::uint32_t>(state.range(1)),
                                     tovgen::HtrShape::kWide),
                   kHtrSteps);
}
BENCHMARK(BM_WideHtr)->Args({40000, 1})->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// args: markers, rows
void BM_WideTrc(benchmark::State& state) {
    RunAgainstInfo(state,
                   tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                     static_cast<std::uint32_t>(state.range(1))),
                   {{"import", {"import-trc", "IN", "--scene", "SCENE", "--suppress-prompts"}},
                    {"preview", {"preview", "IN", "--output", "OUT"}}});
}
BENCHMARK(BM_WideTrc)->Args({1000000, 1})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
