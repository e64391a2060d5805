// tovfileio view: one HTML page that plays a scene document, or a take file
// (HTR, BVH, TRC, C3D or GWM) imported into a fresh scene, in any browser,
// from the file alone.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "brindle/host/scene/Scene.h"
#include "cli/commands/Commands.h"
#include "cli/files/ImportableCopy.h"
#include "cli/files/InputFile.h"
#include "cli/files/OutputFile.h"
#include "cli/files/ReadLimits.h"
#include "cli/report/FileTake.h"
#include "cli/report/FindingReport.h"
#include "cli/report/SafeText.h"
#include "cli/run/FreshImport.h"
#include "cli/run/SceneSession.h"
#include "tovfileio/convert/Standing.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/text/TextCodec.h"
#include "view/MarkerLinks.h"
#include "view/PlayerPage.h"

namespace {

struct ViewOptions {
    std::string input;
    std::string scene;
    std::string out;
    std::string maxOutputText;
    std::string upText;  // --up y|z|auto
    std::string links;   // --links FILE
    std::string mnm;     // --mnm FILE
    bool noLinks = false;
};

// The lines the page draws between markers: a links file's, the standard
// set's through an MNM map, or (given neither) those the take shows by
// markers keeping their distance. Names no marker of the take carries are
// warned of; false, with `error` said, when a file does not read.
bool LinkMarkers(const ViewOptions& options, tovview::TakeOutline& outline, const CommandIO& io,
                 std::string& error) {
    if (options.noLinks)
        return true;
    if (options.links.empty() && options.mnm.empty()) {
        return tovview::InferredLinks(outline, outline.links, error);
    }
    std::vector<tovview::NamedLink> named;
    const std::string& file = options.links.empty() ? options.mnm : options.links;
    if (!options.links.empty()) {
        if (!tovview::ReadLinkFile(options.links, named, error)) {
            error = options.links + ": " + error;
            return false;
        }
    } else {
        tovfileio::MarkerNameMap map;
        if (!map.ReadMNMFile(tovfileio::PathToWide(options.mnm))) {
            const std::string reason = WhyNotReadable(options.mnm);
            error = options.mnm + ": " + (reason.empty() ? std::string("cannot be read") : reason);
            return false;
        }
        named = tovview::StandardLinks(map);
    }
    std::vector<std::string> unknown;
    outline.links = tovview::LinksByName(outline, named, unknown);
    if (!unknown.empty()) {
        std::string names;
        for (const std::string& name : unknown)
            names += (names.empty() ? "" : ", ") + name;
        Warnings(io).Add(file, "no marker of the take is named " + Escaped(names) +
                                   "; the links to " + (unknown.size() == 1 ? "it" : "them") +
                                   " are left out");
    }
    return true;
}

int RunView(const ViewOptions& options, CommandContext& context) {
    const CommandIO& io = context.IO();
    if (options.input.empty() == options.scene.empty()) {
        return context.UsageError("view",
                                  "give either a file (HTR, BVH, TRC, C3D or GWM) or --scene");
    }
    if (options.noLinks + !options.links.empty() + !options.mnm.empty() > 1) {
        return context.UsageError("view", "give one of --links, --mnm and --no-links");
    }
    std::optional<std::uint64_t> maxOutput;
    if (!options.maxOutputText.empty()) {
        std::uint64_t bytes = 0;
        if (!ParseByteSize(options.maxOutputText, bytes)) {
            return context.UsageError("view",
                                      "--max-output takes a size such as 512M or 4G, not '" +
                                          options.maxOutputText + "'");
        }
        maxOutput = bytes;
    }

    UpChoice up = UpChoice::kDefault;
    if (!options.upText.empty()) {
        const std::optional<UpChoice> parsed = ParseUpChoice(options.upText);
        if (!parsed || options.input.empty()) {
            return context.UsageError("view", !parsed ? "option '--up' takes y, z or auto"
                                                      : "--up goes with a file, not --scene");
        }
        up = *parsed;
    }

    ImportableCopy importable;
    SceneSession session(io, "view");
    const std::string& source = options.input.empty() ? options.scene : options.input;
    std::string error;
    OutputFile output;
    if (!output.Resolve(options.out, source, source, ".html", nullptr, error)) {
        session.Error(options.out + ": " + error);
        return kExitFailed;
    }
    FileTake take;
    if (options.input.empty()) {
        if (!session.Open(options.scene, HostSettings(), SceneUse::Read))
            return kExitFailed;
    } else {
        // A BVH, C3D or GWM file is shown as the HTR or TRC file it converts to.
        std::string unreadable;
        if (!importable.Make(options.input, io, unreadable, up)) {
            session.Error(Escaped(unreadable));
            return kExitFailed;
        }
        ReadTake(importable.Path(), std::nullopt, take);
        if (take.read) {
            Warnings(io).AddFindings(options.input, take.findings.All());
        }
        FreshImportOptions fresh;
        fresh.resolvedKind = importable.Kind();
        if (!ImportIntoFreshScene(session, io, importable.Path(), fresh))
            return kExitFailed;
    }

    tovview::TakeOutline outline;
    if (!tovview::OutlineTake(brindle::host::Scene::Current(), outline, error)) {
        session.Error(source + ": " + error);
        return kExitFailed;
    }
    // A file plays the frames it holds: not the base pose an HTR import keys
    // before them, nor the frame a TRC import's range reaches past them.
    if (take.read && take.frames > 0) {
        outline.firstFrame = take.first;
        outline.frameCount = take.frames;
        // A take whose first frames hold no marker starts where a marker is
        // first seen, and says so.
        const std::int64_t empty = importable.EmptyFrames();
        if (empty > 0 && empty < take.frames) {
            outline.note = tovfileio::EmptyStartNote(take.first, empty);
            outline.firstFrame += empty;
            outline.frameCount -= empty;
        }
    }
    if (!LinkMarkers(options, outline, io, error)) {
        session.Error(Escaped(error));
        return kExitFailed;
    }
    // The page's size is known before a position is evaluated: a scene whose
    // range is out of proportion to what it holds is refused, not written.
    const std::string title = BaseName(source);
    const std::uint64_t bytes = tovview::PlayerPageBytes(outline, title);
    const std::uint64_t limit = OutputLimit(FileBytes(source), maxOutput);
    if (limit != 0 && bytes > limit) {
        session.Error(output.Name() + ": " + OutputTooLarge(limit, bytes));
        return kExitFailed;
    }
    std::string html;
    if (!tovview::PlayerPageHtml(outline, title, html, error)) {
        session.Error(source + ": " + Escaped(error));
        return kExitFailed;
    }
    if (!output.Write(html, error) || !output.Finish(io, error)) {
        session.Error(output.Name() + ": " + error);
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

void AddViewCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ViewOptions>();
    CLI::App* command = context.AddCommand(
        app, "view", "make one HTML page that plays a file or a scene in a browser",
        [&context, options] { return RunView(*options, context); });
    command->add_option("IN", options->input,
                        "an HTR, BVH, TRC, C3D or GWM file, played as imported");
    command->add_option("--scene", options->scene, "a scene document instead of a file");
    command
        ->add_option("--up", options->upText,
                     "the axis the file's take stands up along (default: auto, told from the "
                     "data; Z for C3D and GWM)")
        ->type_name("y|z|auto");
    command
        ->add_option("--links", options->links,
                     "a file of the marker pairs to join by lines, two names a line")
        ->type_name("FILE");
    command
        ->add_option("--mnm", options->mnm,
                     "join markers as the standard marker set's are, named through this MNM map")
        ->type_name("FILE");
    command->add_flag("--no-links", options->noLinks, "draw no lines between markers");
    command->add_option("-o,--output", options->out, "the HTML file (\"-\": standard output)")
        ->required();
    command
        ->add_option("--max-output", options->maxOutputText,
                     "largest page (default: 64M, or 64 times the input; 0: no limit)")
        ->type_name("SIZE");
    command->footer(
        "The page plays the frames a file holds, or a scene's animation range, at\n"
        "the scene's frame rate: bones as orange lines from joint to joint,\n"
        "markers as blue dots of one size on screen however far they are, as\n"
        "preview and glTF colour them (a marker at the origin, where a dropout is\n"
        "keyed, is not drawn at that frame). Lines join markers: the pairs of\n"
        "--links, the standard set's links through --mnm, or else the markers\n"
        "that keep their distance through the take (each to its three nearest\n"
        "such). A take that stands Z-up (head\n"
        "markers above the feet along Z) is turned upright, and said so; frames\n"
        "at the start that hold no marker are left out, and the page says so.\n"
        "Play and pause, a slider through the frames, drag to orbit, wheel to\n"
        "zoom; names show on hover or as labels. The page holds everything it\n"
        "needs: open it from a double click, offline, with nothing beside it. It\n"
        "takes about 16 bytes a node and frame.");
}
