// tovfileio preview: a picture of one frame, of a scene document or of an
// HTR, BVH, TRC, C3D or GWM file imported into a fresh scene.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Objects.h"
#include "brindle/host/scene/Scene.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/commands/Commands.h"
#include "cli/files/ImportableCopy.h"
#include "cli/files/InputFile.h"
#include "cli/run/FileTake.h"
#include "cli/report/FindingReport.h"
#include "cli/run/FreshImport.h"
#include "cli/files/OutputFile.h"
#include "cli/report/SafeText.h"
#include "cli/run/SceneSession.h"
#include "tovfileio/convert/Standing.h"
#include "tovfileio/htr/HTRFile.h"
#include "preview/ScenePreview.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

struct PreviewOptions {
    std::string input;
    std::string scene;
    std::optional<int> frame;
    std::string out;
    std::string upText;  // --up y|z|auto
    std::string inUnitsText;  // --in-units: the units of a file that states none
};

// a / b rounded down, for a positive b.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// "--frame 50: walk.htr holds frames 1 to 40", or empty when `frame` is
// one of the frames from `first` to `last`.
std::string OutsideTake(int frame, std::int64_t first, std::int64_t last, const std::string& what) {
    if (frame >= first && frame <= last) return std::string();
    return "--frame " + std::to_string(frame) + ": " + what + " frames " + std::to_string(first) +
           " to " + std::to_string(last);
}

// The marker nodes of the scene named in `names`.
tovpreview::UnseenMarkers MarkersNamed(brindle::host::Scene& scene,
                                       const std::unordered_set<std::wstring>& names) {
    tovpreview::UnseenMarkers markers;
    if (names.empty()) return markers;
    for (brindle::host::SceneNode* node : scene.Nodes()) {
        brindle::host::SceneObject* object = node->HeldObject();
        if (object == nullptr) continue;
        const std::string kind = brindle::host::ObjectKind(*object);
        if (kind != "sphere" && kind != "point") continue;
        if (names.count(node->Name()) != 0) markers.insert(node);
    }
    return markers;
}

int RunPreview(const PreviewOptions& options, CommandContext& context) {
    const CommandIO& io = context.IO();
    if (options.input.empty() == options.scene.empty()) {
        return context.UsageError("preview", "give either a file (HTR, BVH, TRC, C3D or GWM) or --scene");
    }
    UpChoice up = UpChoice::kDefault;
    if (!options.upText.empty()) {
        const std::optional<UpChoice> parsed = ParseUpChoice(options.upText);
        if (!parsed || options.input.empty()) {
            return context.UsageError("preview", !parsed ? "option '--up' takes y, z or auto"
                                                          : "--up goes with a file, not --scene");
        }
        up = *parsed;
    }
    ImportableCopy importable;
    if (!options.inUnitsText.empty()) {
        const std::optional<tovfileio::CalibrationUnits> units = ParseUnitsKeyword(options.inUnitsText);
        if (!units || options.input.empty()) {
            return context.UsageError("preview", !units ? "unknown units '" + options.inUnitsText + "'"
                                                         : "--in-units goes with a file, not --scene");
        }
        importable.ReadLengthsIn(units);
    }
    SceneSession session(io, "preview");
    tovpreview::PreviewCaption caption;
    const std::string& source = options.input.empty() ? options.scene : options.input;
    brindle::host::Scene& scene = brindle::host::Scene::Current();
    int frame = 0;
    tovpreview::UnseenMarkers unseen;
    if (options.input.empty()) {
        if (!session.Open(options.scene, HostSettings(), SceneUse::Read)) return kExitFailed;
        // The take of a scene is its animation range, as the host shows it.
        const Interval range = brindle::host::HostInterface().GetAnimRange();
        const TimeValue tpf = scene.TicksPerFrame();
        const std::int64_t first = -FloorDiv(-std::int64_t(range.Start()), tpf);
        const std::int64_t last = FloorDiv(range.End(), tpf);
        frame = options.frame.value_or(static_cast<int>(first));
        const std::string outside =
            OutsideTake(frame, first, last, "the animation range of " + options.scene + " is");
        if (!outside.empty()) {
            session.Error(outside);
            return kExitUsage;
        }
        unseen = tovpreview::KeyedDropouts(scene, frame);
    } else {
        // A BVH, C3D or GWM file is shown as the HTR or TRC file it converts to.
        SurveyedTake shown;
        std::string unreadable;
        if (!MakeShownTake(options.input, options.frame, up, io, importable, shown, unreadable)) {
            session.Error(Escaped(unreadable));
            return kExitFailed;
        }
        // The views are named in the file's axes: a take read as standing
        // Y up was turned to stand in the Z-up scene.
        if (importable.Stands() == tovfileio::UpAxis::kY) caption.axes = tovpreview::ViewAxes::kYUpFile;
        FileTake& take = shown.take;
        if (take.read) {
            Warnings(io).AddFindings(options.input, take.findings.All());
            frame = options.frame.value_or(static_cast<int>(take.first));
            // A take whose first frames hold no marker is drawn, unless a
            // frame is asked for, where a marker is first seen.
            const std::int64_t empty = importable.EmptyFrames();
            if (empty > 0 && empty < take.frames) {
                caption.note = tovfileio::EmptyStartNote(take.first, empty);
                if (!options.frame) {
                    frame = static_cast<int>(take.first + empty);
                    take.unseen = UnseenAtStart(shown, importable, frame);
                }
            }
            if (take.frames > 0) {
                const std::int64_t last = take.first + take.frames - 1;
                const std::string outside =
                    OutsideTake(frame, take.first, last, options.input + " holds");
                if (!outside.empty()) {
                    session.Error(outside);
                    return kExitUsage;
                }
            }
        }
        FreshImportOptions fresh;
        if (!ImportIntoFreshScene(session, io, importable.Path(), importable.Kind(), fresh)) return kExitFailed;
        unseen = MarkersNamed(scene, take.unseen);
    }
    std::string svg, error;
    caption.title = BaseName(source);
    if (!tovpreview::ScenePreviewSvg(scene, frame, caption, unseen, svg, error)) {
        session.Error(source + ": " + Escaped(error));
        return kExitFailed;
    }
    OutputFile output;
    if (!output.Resolve(options.out, source, source, ".svg", nullptr, error)) {
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
    command->add_option("IN", options->input,
                        "a file (" + tovfileio::TakeKindNames() + "), drawn as imported");
    command->add_option("--scene", options->scene, "a scene document instead of a file");
    command->add_option("--up", options->upText,
                        "the axis the file's take stands up along (default: auto, told from the "
                        "data; Z for " + tovfileio::FixedZUpKinds() + ")")
        ->type_name("y|z|auto");
    command->add_option("--in-units", options->inUnitsText,
                        "the units of a file that states none (a BVH file; a TRC or C3D file without "
                        "units; else mm is assumed)")
        ->type_name(CalibrationUnitsKeywords("|"));
    command->add_option("--frame", options->frame,
                        "the frame (default: the file's first, or the start of the scene's "
                        "animation range)");
    command->add_option("-o,--output", options->out, "the SVG file (\"-\": standard output)")
        ->required();
    command->footer(
        "Draws the bones as lines between their joints and the markers as dots with\n"
        "their names, from the front and from the side, over a grid of round numbers\n"
        "in the scene's units, with the file's name, the frame and the units. The\n"
        "views are named and numbered in the file's axes: a file that stands Y-up\n"
        "(HTR, BVH, most TRC files) from the front (x right, y up) and from the side\n"
        "(z left, y up); one that stands Z-up (C3D, GWM, a TRC file turned upright),\n"
        "and a scene, from the front (x right, z up) and from the side (y right, z\n"
        "up). A frame the file does not hold, or outside the scene's animation range,\n"
        "is refused. A take that stands Z-up is turned upright, and said so; one\n"
        "whose first frames hold no marker is drawn at the first that holds one, and\n"
        "the caption says so. Bones are orange and markers blue, as view and glTF\n"
        "colour them. Markers not seen at the frame (dropouts) are left out, and so\n"
        "is a name that would overprint another. The file's warnings are said as info\n"
        "says them. The same input gives the same bytes.");
}
