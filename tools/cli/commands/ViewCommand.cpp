// tovfileio view: one HTML page that plays a scene document, or take files
// (HTR, BVH, TRC, C3D or GWM) each imported into a fresh scene, in any
// browser, from the file alone. Several files play overlaid on one timeline.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "brindle/host/scene/Scene.h"
#include "cli/commands/CleaningOptions.h"
#include "cli/commands/Commands.h"
#include "cli/files/ImportableCopy.h"
#include "cli/files/InputFile.h"
#include "cli/run/FileTake.h"
#include "cli/report/CleaningText.h"
#include "cli/report/FindingReport.h"
#include "cli/run/FreshImport.h"
#include "cli/files/OutputFile.h"
#include "cli/files/ReadLimits.h"
#include "cli/report/SafeText.h"
#include "cli/run/SceneSession.h"
#include "tovfileio/convert/Standing.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/text/TextCodec.h"
#include "view/C3DPlates.h"
#include "view/FileTime.h"
#include "view/FilledFrames.h"
#include "view/MarkerLinks.h"
#include "view/OverlayPage.h"
#include "view/PlayerPage.h"

namespace {

struct ViewOptions {
    std::vector<std::string> inputs;
    std::string scene;
    std::string out;
    std::string maxOutputText;
    std::string upText;     // --up y|z|auto
    std::string inUnitsText;  // --in-units: the units of files that state none
    std::string alignText;  // --align frame|time
    std::string links;      // --links FILE
    std::string mnm;        // --mnm FILE
    bool noLinks = false;
    CleaningOptions cleaning;
    CLI::App* parsed = nullptr;
};

// What the options ask for, checked before anything is read.
struct ViewRequest {
    std::optional<std::uint64_t> maxOutput;
    UpChoice up = UpChoice::kDefault;
    std::optional<tovfileio::CalibrationUnits> inUnits;
    // How overlaid files play together; by default, by frame number when
    // their rates agree and by time when they do not.
    std::optional<tovview::TakeAlignment> alignment;
    // Each marker take's cleaning, step by step.
    std::vector<tovfileio::CleaningStep> cleaning;
};

// Why the cleaning options do not apply to what is shown, or none: they
// clean marker takes, not a skeleton's or a scene.
std::optional<std::string> CleaningRefused(const ViewOptions& options) {
    if (!CleaningGiven(options.cleaning)) return std::nullopt;
    const std::string refused =
        "--fill-gaps, --filter, --range, --rename, --keep and --drop apply to marker takes "
        "(TRC, C3D or GWM), not to ";
    if (!options.scene.empty()) return refused + "--scene";
    for (const std::string& input : options.inputs) {
        if (tovfileio::HoldsSkeleton(InputNamed(input).kind)) return refused + "the skeleton of " + input;
    }
    return std::nullopt;
}

// The request of `options`, or the usage error to give.
std::optional<std::string> CheckOptions(const ViewOptions& options, ViewRequest& request) {
    if (options.inputs.empty() == options.scene.empty()) {
        return "give either files (HTR, BVH, TRC, C3D or GWM) or --scene";
    }
    if (options.noLinks + !options.links.empty() + !options.mnm.empty() > 1) {
        return "give one of --links, --mnm and --no-links";
    }
    if (!options.maxOutputText.empty()) {
        std::uint64_t bytes = 0;
        if (!ParseByteSize(options.maxOutputText, bytes)) {
            return "--max-output takes a size such as 512M or 4G, not '" + options.maxOutputText + "'";
        }
        request.maxOutput = bytes;
    }
    if (!options.upText.empty()) {
        const std::optional<UpChoice> parsed = ParseUpChoice(options.upText);
        if (!parsed) return "option '--up' takes y, z or auto";
        if (options.inputs.empty()) return "--up goes with a file, not --scene";
        request.up = *parsed;
    }
    if (!options.inUnitsText.empty()) {
        request.inUnits = ParseUnitsKeyword(options.inUnitsText);
        if (!request.inUnits) return "unknown units '" + options.inUnitsText + "'";
        if (options.inputs.empty()) return "--in-units goes with a file, not --scene";
    }
    if (!options.alignText.empty()) {
        if (options.alignText != "frame" && options.alignText != "time") {
            return "option '--align' takes frame or time";
        }
        if (options.inputs.size() < 2) return "--align goes with two files or more";
        request.alignment =
            options.alignText == "time" ? tovview::TakeAlignment::kTime : tovview::TakeAlignment::kFrame;
    }
    return CleaningRefused(options);
}

// The lines the page draws between markers: a links file's, the standard
// set's through an MNM map, or (given neither) those the take shows by
// markers keeping their distance. Names no marker of the take carries are
// warned of; false, with `error` said, when a file does not read.
bool LinkMarkers(const ViewOptions& options, tovview::TakeOutline& outline, const CommandIO& io,
                 std::string& error) {
    // A skeleton's take (of an overlay, say) has no markers to join.
    const bool anyMarker = std::any_of(outline.nodes.begin(), outline.nodes.end(),
                                       [](const tovview::TakeOutline::Node& node) { return node.marker; });
    if (options.noLinks || !anyMarker) return true;
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
        for (const std::string& name : unknown) names += (names.empty() ? "" : ", ") + name;
        Warnings(io).Add(file, "no marker of the take is named " + Escaped(names) + "; the links to " +
                                   (unknown.size() == 1 ? "it" : "them") + " are left out");
    }
    return true;
}

// Gives the page of a C3D file's take its force platforms, turned and
// scaled as the take's markers were on their way into the scene. A file
// that does not read again (its analog samples past the memory the process
// may have) is shown without them, and said so.
void AddForcePlates(const std::string& source, const ImportableCopy& importable, const CommandIO& io,
                    tovview::TakeOutline& outline) {
    const NamedInput named = InputNamed(source);
    if (named.kind != tovfileio::FileKind::kC3d) return;
    tovview::LabToPage turn;
    turn.stands = importable.Stands();
    turn.pageUnitMillimetres = brindle::host::Scene::Current().SystemUnitMillimetres();
    std::string error;
    if (!tovview::ReadPagePlates(named.path, turn, {outline.firstFrame, outline.frameCount},
                                 outline.plates, error)) {
        Warnings(io).Add(source, "force platforms not drawn: " + Escaped(error));
    }
}

// The time of `outline`'s first frame as the file gives it: from the time
// the TRC file imported writes in its first row (a converted copy carries
// its source's times, a cut one those of the frames it keeps), else from
// 0 s at `fileFirst`, the first frame the file imported holds.
double StartSeconds(const ImportableCopy& importable, std::int64_t fileFirst,
                    const tovview::TakeOutline& outline) {
    const std::optional<tovview::FirstRowTime> written =
        importable.Kind() == tovfileio::FileKind::kTrc ? tovview::TrcFirstRowTime(importable.Path())
                                                       : std::nullopt;
    return tovview::FrameSeconds(written, fileFirst, outline.firstFrame, outline.frameRate);
}

// Brings `source` (a file, or the scene document when `file` is false) into
// the host's scene and outlines its take in `outline`: the frames a file
// holds, less those at its start that hold no marker (said in the note),
// with its links. False when something was said on standard error.
bool OutlineSource(const ViewOptions& options, const ViewRequest& request, const std::string& source,
                   bool file, SceneSession& session, const CommandIO& io,
                   tovview::TakeOutline& outline) {
    SurveyedTake shown;
    const FileTake& take = shown.take;
    ImportableCopy importable;
    if (!file) {
        if (!session.Open(source, HostSettings(), SceneUse::Read)) return false;
    } else {
        // A BVH, C3D or GWM file is shown as the HTR or TRC file it converts
        // to; a take to be cleaned, as the TRC file it is cleaned into.
        std::string unreadable;
        importable.CleanWith(request.cleaning);
        importable.ReadLengthsIn(request.inUnits);
        if (!MakeShownTake(source, std::nullopt, request.up, io, importable, shown, unreadable)) {
            session.Error(Escaped(unreadable));
            return false;
        }
        // A cleaned take is read from its copy: the file's own findings are
        // those its reader gave on the way into the copy.
        const tovfileio::FindingList& findings =
            request.cleaning.empty() ? take.findings : importable.ReadFindings();
        if (take.read) Warnings(io).AddFindings(source, findings.All());
        for (const std::string& line : CleaningLines(importable.Cleaning())) io.Err(source + ": " + line + "\n");
        FreshImportOptions fresh;
        if (!ImportIntoFreshScene(session, io, importable.Path(), importable.Kind(), fresh)) return false;
    }
    std::string error;
    if (!tovview::OutlineTake(brindle::host::Scene::Current(), outline, error)) {
        session.Error(source + ": " + error);
        return false;
    }
    if (!request.cleaning.empty()) {
        tovview::MarkFilledFrames(outline, tovview::FilledByMarker(importable.Cleaning(), request.cleaning));
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
        outline.startSeconds = StartSeconds(importable, take.first, outline);
    }
    // A BVH file states no units: the page says what its lengths were taken as.
    if (file && InputNamed(source).kind == tovfileio::FileKind::kBvh) {
        outline.note += std::string(outline.note.empty() ? "" : "; ") + "lengths taken as " +
                        tovfileio::CalibrationUnitsKeyword(request.inUnits.value_or(tovfileio::kUnitsMillimetres)) +
                        (request.inUnits ? " (--in-units)" : ": a BVH file states no units");
    }
    // A page of one take draws its force platforms; an overlay draws none.
    if (file && options.inputs.size() == 1) AddForcePlates(source, importable, io, outline);
    if (!LinkMarkers(options, outline, io, error)) {
        session.Error(Escaped(error));
        return false;
    }
    return true;
}

// The sum of the sizes of `paths`, for the output limit.
std::uint64_t InputBytes(const std::vector<std::string>& paths) {
    std::uint64_t bytes = 0;
    for (const std::string& path : paths) bytes += FileBytes(path);
    return bytes;
}

// The page of several files overlaid: each imported, outlined and
// evaluated in turn, its share of the page held to the output limit before
// its positions are evaluated.
bool OverlayHtml(const ViewOptions& options, const ViewRequest& request, std::uint64_t limit,
                 SceneSession& session, const CommandIO& io, const OutputFile& output,
                 std::string& html) {
    std::vector<tovview::EvaluatedTake> takes;
    std::uint64_t bytes = 0;
    std::string error;
    for (const std::string& input : options.inputs) {
        tovview::EvaluatedTake take;
        take.title = BaseName(input);
        if (!OutlineSource(options, request, input, true, session, io, take.outline)) return false;
        bytes += tovview::PlayerPageBytes(take.outline, take.title);
        if (limit != 0 && bytes > limit) {
            session.Error(output.Name() + ": " + OutputTooLarge(limit, bytes));
            return false;
        }
        if (!tovview::EvaluateTake(take.outline, take.positions, error)) {
            session.Error(input + ": " + Escaped(error));
            return false;
        }
        takes.push_back(std::move(take));
    }
    const tovview::TakeAlignment alignment = request.alignment.value_or(tovview::DefaultAlignment(takes));
    const tovview::TakeOutline merged = tovview::MergeTakes(takes, alignment);
    std::string title;
    for (const tovview::EvaluatedTake& take : takes) title += (title.empty() ? "" : " + ") + take.title;
    bytes = tovview::PlayerPageBytes(merged, title);
    if (limit != 0 && bytes > limit) {
        session.Error(output.Name() + ": " + OutputTooLarge(limit, bytes));
        return false;
    }
    return tovview::OverlayPageHtml(takes, merged, alignment, title, html, error);
}

// The page of one file or scene.
bool SingleHtml(const ViewOptions& options, const ViewRequest& request, std::uint64_t limit,
                SceneSession& session, const CommandIO& io, const OutputFile& output,
                std::string& html) {
    const bool file = options.scene.empty();
    const std::string& source = file ? options.inputs.front() : options.scene;
    tovview::TakeOutline outline;
    if (!OutlineSource(options, request, source, file, session, io, outline)) return false;
    // The page's size is known before a position is evaluated: a scene whose
    // range is out of proportion to what it holds is refused, not written.
    const std::string title = BaseName(source);
    const std::uint64_t bytes = tovview::PlayerPageBytes(outline, title);
    if (limit != 0 && bytes > limit) {
        session.Error(output.Name() + ": " + OutputTooLarge(limit, bytes));
        return false;
    }
    std::string error;
    if (!tovview::PlayerPageHtml(outline, title, html, error)) {
        session.Error(source + ": " + Escaped(error));
        return false;
    }
    return true;
}

int RunView(ViewOptions& options, CommandContext& context) {
    const CommandIO& io = context.IO();
    ViewRequest request;
    if (const std::string problem = CleaningSteps(*options.parsed, options.cleaning, request.cleaning, options.inputs);
        !problem.empty()) {
        return context.UsageError("view", problem);
    }
    if (const std::optional<std::string> usage = CheckOptions(options, request)) {
        return context.UsageError("view", *usage);
    }
    if (!ReadRenameMaps(options.cleaning, request.cleaning, io)) return kExitFailed;
    SceneSession session(io, "view");
    const std::string& source = options.scene.empty() ? options.inputs.front() : options.scene;
    std::string error;
    OutputFile output;
    if (!output.Resolve(options.out, source, source, ".html", nullptr, error)) {
        session.Error(options.out + ": " + error);
        return kExitFailed;
    }
    const std::uint64_t limit =
        OutputLimit(options.scene.empty() ? InputBytes(options.inputs) : FileBytes(options.scene),
                    request.maxOutput);
    std::string html;
    const bool made = options.inputs.size() > 1
                          ? OverlayHtml(options, request, limit, session, io, output, html)
                          : SingleHtml(options, request, limit, session, io, output, html);
    if (!made) return kExitFailed;
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
        app, "view", "make one HTML page that plays files or a scene in a browser",
        [&context, options] { return RunView(*options, context); });
    CLI::Option* files = command->add_option(
        "IN", options->inputs, tovfileio::TakeKindNames() + " files, played as imported (several: overlaid)");
    command->add_option("--scene", options->scene, "a scene document instead of files");
    command->add_option("--up", options->upText,
                        "the axis the files' takes stand up along (default: auto, told from the "
                        "data; Z for " + tovfileio::FixedZUpKinds() + ")")
        ->type_name("y|z|auto");
    command->add_option("--in-units", options->inUnitsText,
                        "the units of files that state none (a BVH file; a TRC or C3D file without "
                        "units; else mm is assumed)")
        ->type_name(tovfileio::CalibrationUnitsKeywords("|"));
    command->add_option("--align", options->alignText,
                        "play overlaid files together by frame number or by the time from each "
                        "one's start (default: by frame number when their frame rates agree, "
                        "else by time)")
        ->type_name("frame|time");
    command->add_option("--links", options->links,
                        "a file of the marker pairs to join by lines, two names a line")
        ->type_name("FILE");
    command->add_option("--mnm", options->mnm,
                        "join markers as the standard marker set's are, named through this MNM map")
        ->type_name("FILE");
    command->add_flag("--no-links", options->noLinks, "draw no lines between markers");
    command->add_option("-o,--output", options->out, "the HTML file (\"-\": standard output)")
        ->required();
    command->add_option("--max-output", options->maxOutputText,
                        "largest page (default: 64M, or 64 times the input; 0: no limit)")
        ->type_name("SIZE");
    AddCleaningOptions(*command, files, options->cleaning);
    options->parsed = command;
    command->footer(
        "The page plays the frames a file holds, or a scene's animation range, at\n"
        "the scene's frame rate: bones as orange lines from joint to joint, markers\n"
        "as blue dots of one size on screen however far they are, as preview and\n"
        "glTF colour them, and those whose names say left or right (LFHD, RKNE,\n"
        "LeftArm, Knee_R) in tints of their own (a marker at the origin, where a\n"
        "dropout is keyed, is not drawn at that frame). A strip under the slider\n"
        "shows how many markers are seen at each frame and names the missing ones\n"
        "on hover. Lines join markers: the pairs of --links, the standard set's\n"
        "links through --mnm, or else the markers that keep their distance through\n"
        "the take (each to its three nearest such). A take that stands Z-up (head\n"
        "markers above the feet along Z) is turned upright, and said so; frames at\n"
        "the start that hold no marker are left out, and the page says so. The\n"
        "readout gives the frame shown as the file numbers it and its time as the\n"
        "file gives it (a TRC file's Time column; 0 s at the first frame of other\n"
        "files). Several files play overlaid, each in colours of its own and shown\n"
        "or hidden on its own, at the first one's frame rate (#hide=1 at the end of\n"
        "the address hides the second); files of different frame rates play by time\n"
        "unless --align frame is given, and the page says how they are aligned.\n"
        "Play and pause, a frame back and on, speeds 0.25x to 2x, a loop between in\n"
        "and out points, a slider through the frames; drag to orbit, wheel to zoom,\n"
        "follow to keep a walking figure large; names show on hover or as labels,\n"
        "left out where they would overprint; the keys are listed on the page. PNG\n"
        "saves the picture, captioned with the file's name, the frame and its time,\n"
        "and WebM records the loop, as downloads. Marker takes are cleaned first as\n"
        "convert cleans them, given its options (--fill-gaps, --filter, --range,\n"
        "--rename, --keep, --drop): each filled gap is said as convert says it,\n"
        "filled samples are drawn as rings, and the strip shows filled frames in a\n"
        "colour of their own. The page holds everything it needs: open it from a\n"
        "double click, offline, with nothing beside it. It takes about 16 bytes a\n"
        "node and frame.");
}
