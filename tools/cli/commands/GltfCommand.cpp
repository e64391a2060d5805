// tovfileio gltf: a scene document written as glTF 2.0; and the glTF branch
// of convert.
#include <algorithm>
#include <cctype>
#include <string>

#include "brindle/host/scene/Scene.h"
#include "cli/commands/Commands.h"
#include "cli/run/FreshImport.h"
#include "cli/commands/GltfOutput.h"
#include "cli/files/OutputFile.h"
#include "tovfileio/Version.h"
#include "cli/report/SafeText.h"
#include "cli/run/SceneSession.h"
#include "gltf/SceneGltf.h"
#include "tovfileio/text/FileKinds.h"

namespace {

const char kGenerator[] = "tovfileio " TOVFILEIO_VERSION;
const wchar_t kMarkerDiameterMm[] = L"20";

// Writes the host's scene to `out` (`binary`: .glb), through an output
// that appears only when written whole.
int WriteScene(const CommandIO& io, SceneSession& session, const std::string& out,
               const std::string& inputName, const std::string& inputFile, bool binary) {
    OutputFile output;
    std::string error;
    const tovfileio::FileKind kind = binary ? tovfileio::FileKind::kGlb : tovfileio::FileKind::kGltf;
    if (!output.Resolve(out, inputName, inputFile, tovfileio::KindInfo(kind).extension, nullptr,
                        error)) {
        session.Error(out + ": " + error);
        return kExitFailed;
    }
    std::string bytes;
    if (!tovgltf::SceneGltfBytes(brindle::host::Scene::Current(), binary, kGenerator, bytes, error) ||
        !output.Write(bytes, error) || !output.Finish(io, error)) {
        session.Error(output.Name() + ": " + Escaped(error));
        return kExitFailed;
    }
    return kExitOk;
}

struct GltfOptions {
    std::string scene;
    std::string out;
};

int RunGltf(const GltfOptions& options, const CommandIO& io) {
    SceneSession session(io, "gltf");
    if (!session.Open(options.scene, HostSettings(), SceneUse::Read)) return kExitFailed;
    const bool binary = tovfileio::KindByName(options.out) == tovfileio::FileKind::kGlb;
    return WriteScene(io, session, options.out, options.scene, options.scene, binary);
}

}  // namespace

int ConvertToGltf(const CommandIO& io, const std::string& inputName, const std::string& readPath,
                  tovfileio::FileKind kind, const std::string& out, bool binary) {
    SceneSession session(io, "convert");
    FreshImportOptions fresh;
    // Markers of the importer's own size, 1 mm across, draw as nothing in a
    // viewer: a glTF file of markers gets spheres of 20 mm, a large optical
    // marker (the new scene's unit is the millimetre).
    if (kind == tovfileio::FileKind::kTrc) fresh.size = kMarkerDiameterMm;
    if (!ImportIntoFreshScene(session, io, readPath, kind, fresh)) return kExitFailed;
    return WriteScene(io, session, out, inputName, readPath, binary);
}

void AddGltfCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<GltfOptions>();
    CLI::App* command = context.AddCommand(app, "gltf", "write a scene document as glTF 2.0",
                                           [&context, options] {
                                               return RunGltf(*options, context.IO());
                                           });
    command->add_option("S.json", options->scene, "the scene document")->required();
    command->add_option("OUT", options->out, "the glTF file: .glb binary, .gltf text")->required();
    command->footer(
        "Writes the scene's nodes with their names and hierarchy, the rest pose, one\n"
        "animation with the keys of every controller (times in seconds), each\n"
        "node's user properties in its extras, and on each node the shape of its\n"
        "bone, marker or dummy: bones orange and markers blue, as view and preview\n"
        "draw them, dummies in their wire colour; lengths in metres, Y up as glTF\n"
        "defines. 'tovfileio convert IN.htr OUT.glb' (or IN.trc) imports a file\n"
        "into a fresh scene first, markers as spheres 20 mm across, turned upright\n"
        "when the take stands Z-up (--up). Any glTF viewer shows and plays the\n"
        "result.");
}
