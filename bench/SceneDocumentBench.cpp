// Saving and loading the scene document of a long capture: a generated HTR
// file of 60 segments over 20,000 frames and a TRC file of 80 markers over
// 20,000 rows, each imported once into a new scene with `tovfileio
// import-htr` or `import-trc`, against `tovfileio info` of the same input
// file run in each iteration with the clock paused: opening a capture's
// scene should cost no more than looking at the capture.
//
// Each is measured for both forms of the document: the binary form the host
// saves, and the same scene as JSON text (the form of earlier documents).
//
// BM_SceneLoad runs `tovfileio scene DOC` as a process. Counters: info_ms
// (one info), x_info (scene time over info time), peak_MB and info_peak_MB
// (each process's peak memory), key_MB (the scene's keys' own size: a tick
// and the value, 16 bytes a position and 20 a rotation), x_key_memory
// (peak_MB over key_MB), doc_MB and x_input (the document's size over the
// input file's).
//
// BM_SceneSave saves the loaded scene in this process: the binary form with
// SaveSceneDocument, the JSON form as SceneToJson written to a file.
// Counters: info_ms, x_info, and extra_MB: how far the process's peak memory
// rose above what it held before the save (the scene), which a document
// built whole before it is written (as SceneToJson's is) makes the
// document's size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/ProcessRun.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"

namespace {

namespace fs = std::filesystem;
using brindle::host::Scene;

enum class Kind { Htr, Trc };
enum class Form { Binary, Json };

// A generated capture and the documents of the scene imported from it.
struct Capture {
    fs::path input;
    fs::path document;  // binary, as the import saved it
    fs::path json;      // the same scene as JSON
    const fs::path& Of(Form form) const { return form == Form::Binary ? document : json; }
    double keyBytes = 0;
    bool ready = false;
};

// Scratch files of this program, removed when it ends.
struct Scratch {
    std::vector<fs::path> files;
    ~Scratch() {
        std::error_code ignored;
        for (const auto& file : files)
            fs::remove(file, ignored);
    }
};

Scratch& ScratchFiles() {
    static Scratch scratch;
    return scratch;
}

double KeyBytes(Scene& scene) {
    double bytes = 0;
    for (auto* node : scene.Nodes()) {
        const auto& tm = std::as_const(*node).Transform();
        bytes += static_cast<double>(tm.Position().Track().Size()) * (sizeof(TimeValue) + sizeof(Point3));
        bytes += static_cast<double>(tm.Rotation().Track().Size()) * (sizeof(TimeValue) + sizeof(Quat));
        bytes += static_cast<double>(tm.Scale().Track().Size()) * (sizeof(TimeValue) + sizeof(Point3));
    }
    return bytes;
}

const Capture& CaptureOf(Kind kind) {
    static std::map<Kind, Capture> captures;
    auto [at, added] = captures.try_emplace(kind);
    Capture& capture = at->second;
    if (!added)
        return capture;
    // The importer's options live in a settings file of this run.
    const fs::path settings = tovbench::ScratchPath("registry.reg");
    ::setenv("BRINDLE_REGISTRY_FILE", settings.c_str(), 1);
    const bool htr = kind == Kind::Htr;
    capture.input = htr ? tovbench::HtrFile(60, 20000) : tovbench::TrcFile(80, 20000);
    capture.document = tovbench::ScratchPath(htr ? "htr-scene" : "trc-scene");
    capture.json = tovbench::ScratchPath(htr ? "htr-scene.json" : "trc-scene.json");
    ScratchFiles().files.push_back(capture.document);
    ScratchFiles().files.push_back(capture.json);
    ScratchFiles().files.push_back(settings);
    std::uint64_t peak = 0;
    const int status = tovbench::RunProcess(
        TOVFILEIO_PATH,
        {htr ? "import-htr" : "import-trc", capture.input.native(), "--scene",
         capture.document.native(), "--suppress-prompts"},
        peak);
    Scene scene;
    std::string error;
    capture.ready = status == 0 && brindle::host::LoadSceneDocument(capture.document, scene, error);
    capture.keyBytes = KeyBytes(scene);
    std::ofstream(capture.json, std::ios::binary) << brindle::host::SceneToJson(scene);
    return capture;
}

// Seconds of `tovfileio info` of the input, and its peak memory.
double InfoSeconds(const Capture& capture, std::uint64_t& peak, bool& ran) {
    int status = 0;
    const double seconds = tovbench::Seconds(
        [&] { status = tovbench::RunProcess(TOVFILEIO_PATH, {"info", capture.input.native()}, peak); });
    ran = status == 0;
    return seconds;
}

void BM_SceneLoad(benchmark::State& state, Kind kind, Form form) {
    const Capture& capture = CaptureOf(kind);
    if (!capture.ready) {
        state.SkipWithError("the import failed");
        return;
    }
    double infoSeconds = 0, sceneSeconds = 0;
    std::uint64_t infoPeak = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bool ran = false;
        infoSeconds += InfoSeconds(capture, infoPeak, ran);
        state.ResumeTiming();
        int status = 0;
        sceneSeconds += tovbench::Seconds([&] {
            status = tovbench::RunProcess(TOVFILEIO_PATH, {"scene", capture.Of(form).native()}, peak);
        });
        if (!ran || status != 0) {
            state.SkipWithError("tovfileio failed");
            return;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    const auto documentBytes = static_cast<double>(fs::file_size(capture.Of(form)));
    state.counters["info_ms"] = 1e3 * infoSeconds / runs;
    state.counters["x_info"] = sceneSeconds / infoSeconds;
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["info_peak_MB"] = static_cast<double>(infoPeak) / 1e6;
    state.counters["key_MB"] = capture.keyBytes / 1e6;
    state.counters["x_key_memory"] = static_cast<double>(peak) / capture.keyBytes;
    state.counters["doc_MB"] = documentBytes / 1e6;
    state.counters["x_input"] = documentBytes / static_cast<double>(fs::file_size(capture.input));
}
BENCHMARK_CAPTURE(BM_SceneLoad, htr_60x20000, Kind::Htr, Form::Binary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SceneLoad, trc_80x20000, Kind::Trc, Form::Binary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SceneLoad, htr_60x20000_json, Kind::Htr, Form::Json)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SceneLoad, trc_80x20000_json, Kind::Trc, Form::Json)->Unit(benchmark::kMillisecond)->UseRealTime();

// The process's resident size now ("VmRSS:") or at its peak ("VmHWM:"), in
// bytes; 0 when /proc does not say.
std::uint64_t ResidentBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtoull(line.c_str() + field.size(), nullptr, 10) * 1024;
    }
    return 0;
}

// Lowers the process's peak resident size to its present size (Linux).
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Saves `scene` to `target` in `form`.
bool Save(const Scene& scene, Form form, const fs::path& target, std::string& error) {
    if (form == Form::Binary) return brindle::host::SaveSceneDocument(scene, target.native(), error);
    std::ofstream file(target, std::ios::binary);
    file << brindle::host::SceneToJson(scene);
    file.close();
    if (!file) error = "cannot write " + target.native();
    return static_cast<bool>(file);
}

void BM_SceneSave(benchmark::State& state, Kind kind, Form form) {
    const Capture& capture = CaptureOf(kind);
    auto scene = std::make_unique<Scene>();
    std::string error;
    if (!capture.ready || !brindle::host::LoadSceneDocument(capture.document, *scene, error)) {
        state.SkipWithError("the import failed");
        return;
    }
    const fs::path target = tovbench::ScratchPath("saved.json");
    ScratchFiles().files.push_back(target);
    double infoSeconds = 0, saveSeconds = 0;
    std::uint64_t infoPeak = 0, extra = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bool ran = false;
        infoSeconds += InfoSeconds(capture, infoPeak, ran);
        ResetPeak();
        const std::uint64_t before = ResidentBytes("VmRSS:");
        state.ResumeTiming();
        bool saved = false;
        saveSeconds += tovbench::Seconds(
            [&] { saved = Save(*scene, form, target, error); });
        state.PauseTiming();
        const std::uint64_t high = ResidentBytes("VmHWM:");
        extra = std::max(extra, high > before ? high - before : 0);
        state.ResumeTiming();
        if (!ran || !saved) {
            state.SkipWithError(saved ? "tovfileio info failed" : error.c_str());
            return;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["info_ms"] = 1e3 * infoSeconds / runs;
    state.counters["x_info"] = saveSeconds / infoSeconds;
    state.counters["extra_MB"] = static_cast<double>(extra) / 1e6;
    state.counters["key_MB"] = capture.keyBytes / 1e6;
}
BENCHMARK_CAPTURE(BM_SceneSave, htr_60x20000, Kind::Htr, Form::Binary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SceneSave, trc_80x20000, Kind::Trc, Form::Binary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SceneSave, htr_60x20000_json, Kind::Htr, Form::Json)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SceneSave, trc_80x20000_json, Kind::Trc, Form::Json)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
