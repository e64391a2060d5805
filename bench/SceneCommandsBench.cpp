// The scene commands on long captures, each run as its own process: an HTR
// file of 60 segments over 20,000 frames and a TRC file of 80 markers over
// 20,000 rows, imported into a new scene, the scene loaded (`scene`),
// exported, written as glTF and drawn (`preview`). Each iteration also runs
// `tovfileio info` of the same input and the reader floor of that input (a
// `from_chars` pass over its numbers) with the clock paused, so all three see
// the same machine. Counters: info_ms (one info run), floor_ms (one floor pass), x_info (the command's
// time over info's), x_floor (the command's time over the floor's), peak_MB and x_input_memory (its peak memory over the input
// file's size), and for the imports doc_x_input (the scene document's size
// over the input file's).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/NumberFloor.h"
#include "bench/ProcessRun.h"

namespace {

using Args = std::vector<std::string>;

const std::filesystem::path& Input(bool trc) {
    return trc ? tovbench::TrcFile(80, 20000) : tovbench::HtrFile(60, 20000);
}

// The settings of the benchmark's own, never the user's.
void UseScratchSettings() {
    static const std::string file = tovbench::ScratchPath("registry.reg").native();
    ::setenv("BRINDLE_REGISTRY_FILE", file.c_str(), 1);
}

int Run(const Args& args, std::uint64_t& peak) {
    return tovbench::RunProcess(TOVFILEIO_PATH, args, peak);
}

// The scene of `input` imported once, for the commands that start from it.
const std::filesystem::path& ImportedScene(bool trc) {
    static std::filesystem::path scenes[2];
    std::filesystem::path& scene = scenes[trc ? 1 : 0];
    if (scene.empty()) {
        scene = tovbench::ScratchPath(trc ? "trc-scene.json" : "htr-scene.json");
        std::uint64_t peak = 0;
        Run({trc ? "import-trc" : "import-htr", Input(trc).native(), "--scene", scene.native(),
             "--create", "--set-fps"},
            peak);
    }
    return scene;
}

// Times `args` against info of `input`; `before` runs with the clock paused
// ahead of each run.
void RunAgainstInfo(benchmark::State& state, const std::filesystem::path& input, const Args& args,
                    const std::function<void()>& before = {}) {
    UseScratchSettings();
    double infoSeconds = 0.0, floorSeconds = 0.0, subjectSeconds = 0.0;
    std::uint64_t peak = 0, infoPeak = 0;
    std::vector<char> floorBuffer;
    for (auto _ : state) {
        state.PauseTiming();
        infoSeconds += tovbench::Seconds([&] { Run({"info", input.native()}, infoPeak); });
        floorSeconds += tovbench::Seconds(
            [&] { benchmark::DoNotOptimize(tovfloor::ParseNumbers(input.native(), floorBuffer)); });
        if (before) before();
        state.ResumeTiming();
        int status = 0;
        subjectSeconds += tovbench::Seconds([&] { status = Run(args, peak); });
        if (status != 0) {
            state.SkipWithError(("tovfileio " + args[0] + " failed").c_str());
            return;
        }
    }
    const double runs = static_cast<double>(state.iterations());
    const double bytes = static_cast<double>(std::filesystem::file_size(input));
    state.counters["info_ms"] = infoSeconds / runs * 1000.0;
    state.counters["floor_ms"] = floorSeconds / runs * 1000.0;
    state.counters["x_info"] = subjectSeconds / infoSeconds;
    state.counters["x_floor"] = subjectSeconds / floorSeconds;
    state.counters["peak_MB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["x_input_memory"] = static_cast<double>(peak) / bytes;
}

// arg: 0 HTR, 1 TRC
void BM_Import(benchmark::State& state) {
    const bool trc = state.range(0) == 1;
    const auto scene = tovbench::ScratchPath("imported.json");
    RunAgainstInfo(state, Input(trc),
                   {trc ? "import-trc" : "import-htr", Input(trc).native(), "--scene",
                    scene.native(), "--create", "--set-fps"},
                   [&] { std::filesystem::remove(scene); });
    if (std::filesystem::exists(scene)) {
        state.counters["doc_x_input"] = static_cast<double>(std::filesystem::file_size(scene)) /
                                        static_cast<double>(std::filesystem::file_size(Input(trc)));
        std::filesystem::remove(scene);
    }
}
BENCHMARK(BM_Import)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SceneLoad(benchmark::State& state) {
    const bool trc = state.range(0) == 1;
    RunAgainstInfo(state, Input(trc), {"scene", ImportedScene(trc).native()});
}
BENCHMARK(BM_SceneLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportHtr(benchmark::State& state) {
    const auto out = tovbench::ScratchPath("exported.htr");
    // The skeleton's root node is named after the file.
    RunAgainstInfo(state, Input(false),
                   {"export-htr", out.native(), "--scene", ImportedScene(false).native(),
                    "--select", Input(false).stem().native(), "--slider"});
    std::filesystem::remove(out);
}
BENCHMARK(BM_ExportHtr)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Gltf(benchmark::State& state) {
    const bool trc = state.range(0) == 1;
    const auto out = tovbench::ScratchPath("scene.glb");
    RunAgainstInfo(state, Input(trc), {"gltf", ImportedScene(trc).native(), out.native()});
    std::filesystem::remove(out);
}
BENCHMARK(BM_Gltf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Preview(benchmark::State& state) {
    const bool trc = state.range(0) == 1;
    const auto out = tovbench::ScratchPath("frame.svg");
    RunAgainstInfo(state, Input(trc),
                   {"preview", Input(trc).native(), "--frame", "100", "-o", out.native()});
    std::filesystem::remove(out);
}
BENCHMARK(BM_Preview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
