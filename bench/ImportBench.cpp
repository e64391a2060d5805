// Speed and memory of the imports: the module, loaded as the host loads it,
// builds and keys a skeleton from a generated HTR file, or a marker cloud
// from a generated TRC file (create mode, all frames, with the options it
// starts with), timed against reading the same file in the same run. Counters: read_ms (one read of the file), x_read
// (import time over read time), keys (keys made), key_MB (the keys' own
// size: a tick and the value, 16 bytes a position and 20 a rotation) and
// x_key_memory (what the scene's key stores hold, spare room included, over
// that). Chains as deep as they are long, hierarchies with every segment
// under one parent and TRC files of one row and very many markers are
// imported the same way, and the skeletons of the HTR files exported again
// (x_read: export time over read time).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>

#include "bench/BenchSupport.h"
#include "brindle/host/PluginModule.h"
#include "brindle/host/registry/RegistryStore.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/sdk/PluginClasses.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

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
        const auto& tm = std::as_const(*node).Transform();
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

// The module loaded as the host loads it, with the settings in memory.
std::unique_ptr<brindle::host::PluginModule> LoadModule(benchmark::State& state) {
    brindle::host::RegistryStore::Instance().UseFile("");
    std::string error;
    auto module = brindle::host::PluginModule::Load(TOV_MODULE_PATH, error);
    if (!module) state.SkipWithError(error.c_str());
    return module;
}

ClassDesc* FindClass(brindle::host::PluginModule& module, const Class_ID& id) {
    ClassDesc* desc = nullptr;
    for (ClassDesc* candidate : module.Classes()) {
        if (candidate != nullptr && candidate->ClassID() == id) desc = candidate;
    }
    return desc;
}

int ImportInto(ClassDesc* desc, const std::wstring& path) {
    auto* importer = static_cast<SceneImport*>(desc->Create(FALSE));
    const int result = importer->DoImport(path.c_str(), &brindle::host::HostImportInterface(),
                                          &brindle::host::HostInterface(), TRUE);
    delete importer;
    return result;
}

// Imports `file` with the class `id` each iteration into an empty scene, and
// reads it with `Model` in the same iteration with the clock paused.
template <typename Model>
void RunImportBenchmark(benchmark::State& state, const Class_ID& id,
                        const std::filesystem::path& file) {
    const std::wstring path = tovbench::Wide(file);
    auto module = LoadModule(state);
    if (!module) return;
    ClassDesc* desc = FindClass(*module, id);
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

// args: segments, frames
void BM_ChainHtrImport(benchmark::State& state) {
    RunImportBenchmark<HTRFile>(
        state, kImportHtrClassId,
        tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                          static_cast<std::uint32_t>(state.range(1)), tovgen::HtrShape::kChain));
}
BENCHMARK(BM_ChainHtrImport)
    ->Args({100000, 1})
    ->Args({20000, 10})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// args: segments, frames
void BM_WideHtrImport(benchmark::State& state) {
    RunImportBenchmark<HTRFile>(
        state, kImportHtrClassId,
        tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                          static_cast<std::uint32_t>(state.range(1)), tovgen::HtrShape::kWide));
}
BENCHMARK(BM_WideHtrImport)->Args({40000, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

// Imports `file` once, then exports the skeleton below its first segment
// each iteration (the file's frames, with the options the exporter starts
// with), and reads the file in the same iteration with the clock paused.
void RunExportBenchmark(benchmark::State& state, const std::filesystem::path& file) {
    auto module = LoadModule(state);
    if (!module) return;
    Scene& scene = Scene::Current();
    scene.Clear();
    if (ImportInto(FindClass(*module, kImportHtrClassId), tovbench::Wide(file)) != 1) {
        state.SkipWithError("import failed");
        return;
    }
    const auto frames = static_cast<TimeValue>(state.range(1));
    scene.SetAnimationRange(Interval(scene.TicksPerFrame(), frames * scene.TicksPerFrame()));
    scene.Select(scene.FindByName(L"S0"));
    ClassDesc* desc = FindClass(*module, kExportHtrClassId);
    const std::wstring out = tovbench::Wide(tovbench::ScratchPath("export.htr"));
    double exportSeconds = 0, readSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        readSeconds += tovbench::Seconds([&] {
            HTRFile model;
            benchmark::DoNotOptimize(model.Read(tovbench::Wide(file)));
        });
        auto* exporter = static_cast<SceneExport*>(desc->Create(FALSE));
        state.ResumeTiming();
        int result = 0;
        exportSeconds += tovbench::Seconds([&] {
            result = exporter->DoExport(out.c_str(), &brindle::host::HostExportInterface(),
                                        &brindle::host::HostInterface(), TRUE, 0);
        });
        delete exporter;
        if (result != 1) {
            state.SkipWithError("export failed");
            break;
        }
    }
    state.counters["read_ms"] = 1000.0 * readSeconds / static_cast<double>(state.iterations());
    state.counters["x_read"] = exportSeconds / readSeconds;
    std::filesystem::remove(tovbench::ScratchPath("export.htr"));
    scene.Clear();
}

// args: segments, frames
void BM_ChainHtrExport(benchmark::State& state) {
    RunExportBenchmark(state, tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                                static_cast<std::uint32_t>(state.range(1)),
                                                tovgen::HtrShape::kChain));
}
BENCHMARK(BM_ChainHtrExport)
    ->Args({100000, 1})
    ->Args({20000, 10})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// args: segments, frames
void BM_WideHtrExport(benchmark::State& state) {
    RunExportBenchmark(state, tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                                static_cast<std::uint32_t>(state.range(1)),
                                                tovgen::HtrShape::kWide));
}
BENCHMARK(BM_WideHtrExport)->Args({40000, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

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
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
