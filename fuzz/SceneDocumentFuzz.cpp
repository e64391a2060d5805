// Any byte sequence loaded as a scene document either fails with a message
// and leaves the scene as it was, or loads a scene within the host's limits
// (a sane system unit, a range that runs forwards over frames an export can
// walk); a scene that loaded saves and loads again to the same document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "brindle/host/scene/SceneDocument.h"
#include "scene/SceneLimits.h"
#include "fuzz/FuzzInputFile.h"

using brindle::host::Scene;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".json");
    static const FuzzInputFile saved(".saved.json");
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
        // Keys may allow more frames than the allowance, never a backward range.
        if (range->End() < range->Start()) std::abort();
        if (!brindle::host::TickProblem(range->Start()).empty()) std::abort();
    }
    const std::string first = brindle::host::SceneToJson(scene);
    if (!brindle::host::SaveSceneDocument(scene, saved.Path().string(), error)) return 0;
    Scene again;
    if (!brindle::host::LoadSceneDocument(saved.Path().string(), again, error)) std::abort();
    if (brindle::host::SceneToJson(again) != first) std::abort();
    return 0;
}
