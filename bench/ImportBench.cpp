// Speed and memory of the imports: the module, loaded as the host loads it,
// builds and keys a skeleton from a generated HTR file, or a marker cloud
// from a generated TRC file (create mode, all frames, with the options it
// starts with), timed against reading the same file in the same run. Counters: read_ms (one read of the file), x_read
// (import time over read time), keys (keys made), key_MB (the keys' own
// size: a tick and the value, 16 bytes a position and 20 a rotation) and
// x_key_memory (what the scene's key stores hold, spare room included, over
// that).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchSupport.h"
#include "brindle/host/PluginModule.h"
#include "brindle/host/RegistryStore.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/sdk/PluginClasses.h"
#include "htr/HTRFile.h"
#include "plugin/ClassIds.h"
#include "trc/TRCFile.h"

namespace {

using brindle::host::Scene;

struct KeyMemory {
    std::size_t keys = 0;
    std::size_t ownBytes = 0;
    std::size_t heldBytes = 0;
};

KeyMemory MeasureKeys(Scene& scene) {
    KeyMemory memory;
    for (auto* node : scene.Nodes()) {
        auto& tm = node->Transform();
        auto add = [&memory](const auto& track, std::size_t own) {
            memory.keys += track.Size();
            memory.ownBytes += track.Size() * own;
            memory.heldBytes += track.CapacityBytes();
        };
        add(tm.Position().Track(), sizeof(TimeValue) + sizeof(Point3));
        add(tm.Rotation().Track(), sizeof(TimeValue) + sizeof(Quat));
        add(tm.Scale().Track(), sizeof(TimeValue) + sizeof(Point3));
    }
    return memory;
}

// Imports `file` with the class `id` each iteration into an empty scene, and
// reads it with `Model` in the same iteration with the clock paused.
template <typename Model>
void RunImportBenchmark(benchmark::State& state, const Class_ID& id,
                        const std::filesystem::path& file) {
    const std::wstring path = tovbench::Wide(file);
    brindle::host::RegistryStore::Instance().UseFile("");
    std::string error;
    auto module = brindle::host::PluginModule::Load(TOV_MODULE_PATH, error);
    if (!module) {
        state.SkipWithError(error.c_str());
        return;
    }
    ClassDesc* desc = nullptr;
    for (ClassDesc* candidate : module->Classes()) {
        if (candidate != nullptr && candidate->ClassID() == id) desc = candidate;
    }
    double importSeconds = 0, readSeconds = 0;
    KeyMemory memory;
    for (auto _ : state) {
        state.PauseTiming();
        Scene::Current().Clear();
        readSeconds += tovbench::Seconds([&] {
            Model model;
            benchmark::DoNotOptimize(model.Read(path));
        });
        auto* importer = static_cast<SceneImport*>(desc->Create(FALSE));
        state.ResumeTiming();
        int result = 0;
        importSeconds += tovbench::Seconds([&] {
            result = importer->DoImport(path.c_str(), &brindle::host::HostImportInterface(),
                                        &brindle::host::HostInterface(), TRUE);
        });
        state.PauseTiming();
        delete importer;
        memory = MeasureKeys(Scene::Current());
        state.ResumeTiming();
        if (result != 1 || memory.keys == 0) {
            state.SkipWithError("import failed");
            break;
        }
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["read_ms"] = 1000.0 * readSeconds / runs;
    state.counters["x_read"] = importSeconds / readSeconds;
    state.counters["keys"] = static_cast<double>(memory.keys);
    state.counters["key_MB"] = static_cast<double>(memory.ownBytes) / 1e6;
    state.counters["x_key_memory"] =
        static_cast<double>(memory.heldBytes) / static_cast<double>(memory.ownBytes);
    Scene::Current().Clear();
}

// args: segments, frames
void BM_HtrImport(benchmark::State& state) {
    RunImportBenchmark<HTRFile>(state, kImportHtrClassId,
                                tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                                  static_cast<std::uint32_t>(state.range(1))));
}
BENCHMARK(BM_HtrImport)
    ->Args({21, 700})
    ->Args({60, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

// args: markers, rows
void BM_TrcImport(benchmark::State& state) {
    RunImportBenchmark<TRCFile>(state, kImportTrcClassId,
                                tovbench::TrcFile(static_cast<std::uint32_t>(state.range(0)),
                                                  static_cast<std::uint32_t>(state.range(1))));
}
BENCHMARK(BM_TrcImport)
    ->Args({12, 300})
    ->Args({80, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
