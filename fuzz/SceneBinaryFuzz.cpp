// Any byte sequence loaded as a binary scene document either fails with a
// one-line message and leaves the scene as it was, or loads a scene within
// the host's limits; a scene that loaded saves to a document that loads as
// the same scene and saves again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "brindle/host/scene/SceneDocument.h"
#include "scene/SceneLimits.h"
#include "fuzz/FuzzInputFile.h"

using brindle::host::Scene;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".scene");
    static const FuzzInputFile saved(".saved.scene");
    static const FuzzInputFile again(".again.scene");
    input.Write(AsText(data, size));

    Scene scene;
    scene.SetFrameRate(60);
    const std::string before = brindle::host::SceneToJson(scene);
    std::string error;
    if (!brindle::host::LoadSceneDocument(input.Path().string(), scene, error)) {
        if (error.empty() || error.find('\n') != std::string::npos) std::abort();
        if (brindle::host::SceneToJson(scene) != before) std::abort();
        return 0;
    }
    if (!brindle::host::SystemUnitProblem(scene.SystemUnitMillimetres()).empty()) std::abort();
    if (const auto& range = scene.AnimationRange()) {
        if (range->End() < range->Start()) std::abort();
        if (!brindle::host::TickProblem(range->Start()).empty()) std::abort();
    }
    const std::string first = brindle::host::SceneToJson(scene);
    if (!brindle::host::SaveSceneDocument(scene, saved.Path().string(), error)) return 0;
    Scene reloaded;
    if (!brindle::host::LoadSceneDocument(saved.Path().string(), reloaded, error)) std::abort();
    if (brindle::host::SceneToJson(reloaded) != first) std::abort();
    if (!brindle::host::SaveSceneDocument(reloaded, again.Path().string(), error)) std::abort();
    if (again.Read() != saved.Read()) std::abort();
    return 0;
}
