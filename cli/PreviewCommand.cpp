// tovfileio preview: a picture of one frame, of a scene document or of an
// HTR or TRC file imported into a fresh scene.
#include <optional>
#include <string>

#include "brindle/host/scene/Scene.h"
#include "cli/Commands.h"
#include "cli/FreshImport.h"
#include "cli/OutputFile.h"
#include "cli/SafeText.h"
#include "cli/SceneSession.h"
#include "preview/ScenePreview.h"

namespace {

struct PreviewOptions {
    std::string input;
    std::string scene;
    std::optional<int> frame;
    std::string out;
};

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int RunPreview(const PreviewOptions& options, CommandContext& context) {
    const CommandIO& io = context.IO();
    if (options.input.empty() == options.scene.empty()) {
        return context.UsageError("preview", "give either a file (HTR or TRC) or --scene");
    }
    SceneSession session(io, "preview");
    const std::string& source = options.input.empty() ? options.scene : options.input;
    if (options.input.empty()) {
        if (!session.Open(options.scene, HostSettings(), SceneUse::Read)) return kExitFailed;
    } else if (!ImportIntoFreshScene(session, io, options.input)) {
        return kExitFailed;
    }
    brindle::host::Scene& scene = brindle::host::Scene::Current();
    // Without --frame, the first frame of the animation range.
    const int frame = options.frame.value_or(
        scene.AnimationRange() ? scene.AnimationRange()->Start() / scene.TicksPerFrame() : 0);
    std::string svg, error;
    if (!tovpreview::ScenePreviewSvg(scene, frame, {BaseName(source)}, svg, error)) {
        session.Error(source + ": " + Escaped(error));
        return kExitFailed;
    }
    OutputFile output;
    if (!output.Resolve(options.out, source, source, ".svg", false, error)) {
        session.Error(options.out + ": " + error);
        return kExitFailed;
    }
    if (!output.Write(svg, error) || !output.Finish(io, error)) {
        session.Error(output.Name() + ": " + error);
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<PreviewOptions>();
    CLI::App* command = context.AddCommand(
        app, "preview", "draw one frame of a file or a scene as an SVG picture",
        [&context, options] { return RunPreview(*options, context); });
    command->add_option("IN", options->input, "an HTR or TRC file, drawn as imported");
    command->add_option("--scene", options->scene, "a scene document instead of a file");
    command->add_option("--frame", options->frame, "the frame (default: the first of the range)");
    command->add_option("-o,--output", options->out, "the SVG file (\"-\": standard output)")
        ->required();
    command->footer(
        "Draws the bones as lines between their joints and the markers as dots with\n"
        "their names, from the front (x right, z up) and from the side (y right,\n"
        "z up), with the file's name, the frame and the units. The same input gives\n"
        "the same bytes.");
}
