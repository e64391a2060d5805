// tovfileio convert: reads a motion-capture file and writes it as another.
// HTR to HTR, with lengths converted or angles written in other units on the
// way; TRC to GWM, with markers renamed and filtered through an MNM map and
// an optional translation offset.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "tovfileio/text/TextCodec.h"
#include "cli/commands/CleaningOptions.h"
#include "cli/commands/Commands.h"
#include "cli/files/InputFile.h"
#include "cli/files/FileSizeLimit.h"
#include "cli/report/FindingReport.h"
#include "cli/commands/ConvertTarget.h"
#include "cli/commands/GltfOutput.h"
#include "cli/commands/GwmConversion.h"
#include "cli/commands/HtrConversion.h"
#include "cli/commands/BatchConversion.h"
#include "cli/commands/TakeConversion.h"
#include "cli/files/ImportableCopy.h"
#include "cli/files/InputConversion.h"
#include "cli/files/HostNames.h"
#include "cli/files/OutputFile.h"
#include "cli/run/Progress.h"
#include "cli/files/ReadLimits.h"
#include "cli/report/SafeText.h"
#include "cli/files/SourceDateEpoch.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/htr/HTRFile.h"

using namespace tovfileio;
using tovfileio::FileKind;

namespace {

const char kConvertFooter[] =
    "Reads IN and writes it in the format OUT's name gives (.htr, .bvh, .trc,\n"
    ".c3d, .gwm, .csv, .gltf or .glb, in any letter case), or --to FORMAT gives\n"
    "where OUT's name gives no format (\"-\", take.dat); a folder, a device or \"-\"\n"
    "without --to gets IN's usual conversion (HTR and BVH to HTR, TRC to GWM,\n"
    "C3D and GWM to TRC). A pair that does not convert is refused with what IN\n"
    "can become, and nothing is written, as is --to against OUT's name.\n"
    "\n"
    "Skeletons (HTR, BVH) become skeletons, or TRC or CSV files of their joints'\n"
    "world positions; marker files (TRC, C3D, GWM) become each other or CSV, a\n"
    "row at a time, so a take of any length converts in little memory. --units\n"
    "converts every length; positions are turned to the output format's up axis\n"
    "(@UP@; --up chooses), and\n"
    "what was turned is said on standard error. A BVH file cannot hold HTR's\n"
    "scale factors: joints that move or scale get position channels, said too.\n"
    "An HTR file is written again in the layout the HTR writer produces; a TRC\n"
    "file becomes a GWM marker file (positions turned from Y-up to Z-up) by the\n"
    "module's own conversion, the one behind the utility panel's \"Convert TRC\n"
    "to GWM\" button. Without --mnm every marker is written under its TRC name.\n"
    "With --units the conversion core writes it instead, renaming, filtering and\n"
    "offsetting as the module does, in the units written (the offset too).\n"
    "The \"$DateTime\" line holds the local time, or SOURCE_DATE_EPOCH (seconds\n"
    "since 1970) when set. The settings given here are used for this run only.\n"
    "\n"
    "With --batch and no --to, the TRC files (at most 1000) become\n"
    "OUTDIR/NAME.gwm (OUTDIR is made when missing), and OUTDIR/ConvertGWMLog.txt logs the run: a line for\n"
    "every file done and the reader's message for a file it refused. A file the\n"
    "reader refuses is named on standard error and gets no GWM file (an older\n"
    "one stays as it was); the others are still converted. The batch stops at a\n"
    "GWM file that cannot be written; Ctrl-C stops it after the files being\n"
    "written, and the log's last line says so. A last line on standard error\n"
    "counts the files converted, failed and warned of. The exit status is 0\n"
    "when every file was converted. --jobs N converts N files at once (the\n"
    "machine's cores by default); the files, the log and every message are\n"
    "the same as with --jobs 1, in the same order.\n"
    "\n"
    "@BATCH@\n"
    "\n"
    "OUT appears only when the whole file was written; an existing OUT is\n"
    "replaced then, and left as it was on any error or interruption. A link is\n"
    "written through to the file it points to; a device or FIFO is written to\n"
    "as it is; a folder receives a file named after IN; \"-\" is standard output.\n"
    "Without --to, standard output, a device or a FIFO gets IN's own format (a\n"
    "TRC file stays TRC in a pipe), and a folder the file IN's own conversion\n"
    "writes (TRC to GWM).\n"
    "OUT is never IN, and a file you may not write is not replaced; OUT is\n"
    "written under the name given (\"take.dat\" with --to stays take.dat).\n"
    "IN \"-\" (standard input), a device or a FIFO is read up to --max-input\n"
    "bytes (4G by default) and refused when it offers more.\n"
    "\n"
    "Frames: a conversion writes the frames the file holds, whatever its header\n"
    "claims; --frames header pads to the header's count (dropouts for markers,\n"
    "rest frames for skeletons), and refuses when that would add more frames than\n"
    "the file holds (and more than 1000). HTR to HTR and TRC to GWM are the\n"
    "module's own conversions and write the header's count, padding missing\n"
    "frames (dropouts in GWM, zeros in HTR): a warning says when the header and\n"
    "the file disagree, and padding out of proportion writes nothing unless\n"
    "--frames chooses (a GWM file always has the header's count).\n"
    "\n"
    "A marker take the reader misreads (values under other markers' names, rows\n"
    "in other frames) is refused with nothing written and the repair that fixes\n"
    "it, unless --accept-misread writes it as read. A \"NaN\" field is a dropout,\n"
    "except in the module's own TRC to GWM conversion, which reads it as 0 and\n"
    "warns.\n"
    "\n"
    "An error is reported as FILE: MESSAGE on standard error and the exit\n"
    "status is 1.";


constexpr char kCleaningForMarkers[] =
    "--fill-gaps, --filter, --range, --rename, --keep and --drop apply to one marker take "
    "(TRC, C3D or GWM) converted to a marker file";

struct ConvertOptions {
    // As given on the command line, checked once parsing is over.
    std::string unitsText, rotationUnitsText, mnm, offsetSpaceText, framesText;
    std::string inUnitsText;  // --in-units: the units of a file that states none
    std::string maxOutputText, maxInputText;
    std::vector<std::string> offsetText;
    bool strict = false;
    bool acceptMisread = false;
    bool batch = false;
    bool noFilter = false;
    std::optional<unsigned> jobs;  // --jobs: files converted at once
    std::string report;            // --report: a batch's JSON lines
    bool resume = false;           // --resume: a batch keeps up-to-date outputs
    std::string outputFolder;
    std::vector<std::string> files;  // IN OUT, or the sources of a batch
    std::string to;  // --to FORMAT
    std::string upText;  // --up y|z
    std::string in;
    std::string out;
    CleaningOptions cleaning;
    bool analog = false;      // --analog: a C3D file's analog channels
    bool forces = false;      // --forces: its force platforms' forces
    bool zeroPlates = false;  // --zero-plates: each plate's baseline taken off
    CLI::App* parsed = nullptr;
};

// The options once checked.
struct Settings {
    std::optional<CalibrationUnits> units;
    std::optional<CalibrationUnits> inUnits;
    std::optional<RotationUnits> rotationUnits;
    std::optional<UpAxis> up;
    ConvertGWMSettings gwm;
    std::optional<bool> headerFrames;  // --frames header (true) or held (false)
    std::optional<std::uint64_t> maxOutput;
    std::uint64_t maxInput = kDefaultInputLimit;
    bool strict = false;
};

// A unit as --units names it: its keyword in lower case.
std::optional<CalibrationUnits> ParseUnits(const std::string& text) {
    const auto units = tovfileio::KnownCalibrationUnits(std::string_view(text));
    if (!units || text != CalibrationUnitsKeyword(*units)) return std::nullopt;
    return units;
}

// A finite float, written whole.
std::optional<float> ParseFloat(const std::string& text) {
    float value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Messages may carry names from the file (a duplicate segment's), so they
// are shown escaped.
int Report(const CommandIO& io, const std::string& file, const std::string& message) {
    io.Err(file + ": " + Escaped(message) + "\n");
    return kExitFailed;
}


// The TRC-to-GWM part of the command line as the conversion takes it.
GwmCommand GwmCommandOf(const ConvertOptions& options, const Settings& settings) {
    GwmCommand command;
    command.sources = options.files;
    command.outputFolder = options.outputFolder;
    command.mnm = options.mnm;
    command.settings = settings.gwm;
    command.settings.Filter = !options.mnm.empty() && !options.noFilter;
    command.strict = settings.strict;
    command.padAnyway = settings.headerFrames.value_or(false);
    command.maxOutput = settings.maxOutput;
    command.jobs = options.jobs.value_or(std::max(1u, std::thread::hardware_concurrency()));
    return command;
}

bool ParseSize(const std::string& text, std::optional<std::uint64_t>& size) {
    if (text.empty()) return true;
    std::uint64_t bytes = 0;
    if (!ParseByteSize(text, bytes)) return false;
    size = bytes;
    return true;
}

// The option values checked into `settings`; the usage error, or empty.
std::string ParseSettings(const ConvertOptions& options, Settings& settings) {
    settings.strict = options.strict;
    if (!options.unitsText.empty()) {
        settings.units = ParseUnits(options.unitsText);
        if (!settings.units) return "unknown units '" + options.unitsText + "'";
    }
    if (!options.inUnitsText.empty()) {
        settings.inUnits = ParseUnits(options.inUnitsText);
        if (!settings.inUnits) return "unknown units '" + options.inUnitsText + "'";
    }
    if (!options.rotationUnitsText.empty()) {
        settings.rotationUnits = RotationUnitsNamed(options.rotationUnitsText);
        if (!settings.rotationUnits) return "unknown rotation units '" + options.rotationUnitsText + "'";
    }
    if (!options.upText.empty()) {
        settings.up = tovfileio::UpAxisNamed(options.upText);
        // auto: told from the data, for glTF, whose own axes are fixed.
        if (!settings.up && ParseUpChoice(options.upText) != UpChoice::kAuto) {
            return "option '--up' takes y or z (or auto for glTF)";
        }
    }
    settings.gwm.Filter = !options.mnm.empty();
    settings.gwm.Offset = !options.offsetText.empty();
    float* offsets[] = {&settings.gwm.OffsetX, &settings.gwm.OffsetY, &settings.gwm.OffsetZ};
    for (std::size_t k = 0; k < options.offsetText.size() && k < 3; ++k) {
        const auto value = ParseFloat(options.offsetText[k]);
        if (!value) return "not a finite number: '" + options.offsetText[k] + "'";
        *offsets[k] = *value;
    }
    settings.gwm.TRCSpace = true;
    if (!options.offsetSpaceText.empty()) {
        if (options.offsetSpaceText != "trc" && options.offsetSpaceText != "brindle") {
            return "option '--offset-space' takes trc or brindle";
        }
        settings.gwm.TRCSpace = options.offsetSpaceText == "trc";
    }
    if (!options.framesText.empty()) {
        if (options.framesText != "header" && options.framesText != "held") {
            return "option '--frames' takes header or held";
        }
        settings.headerFrames = options.framesText == "header";
    }
    if (!ParseSize(options.maxOutputText, settings.maxOutput)) {
        return "--max-output takes a size such as 512M or 4G, not '" + options.maxOutputText + "'";
    }
    if (!ParseInputLimit(options.maxInputText, settings.maxInput)) {
        return "--max-input takes a size such as 512M or 4G, not '" + options.maxInputText + "'";
    }
    return std::string();
}

bool HtrOptionGiven(const ConvertOptions& options) {
    return !options.unitsText.empty() || !options.rotationUnitsText.empty();
}

bool GwmOptionGiven(const ConvertOptions& options) {
    return !options.mnm.empty() || !options.offsetText.empty() || !options.offsetSpaceText.empty();
}

// What every conversion to GWM needs of the command line; empty when usable.
std::string GwmUsageProblem(const ConvertOptions& options, const Settings& settings) {
    if (HtrOptionGiven(options)) {
        return "--units and --rotation-units do not apply to a batch, which converts TRC files "
               "to GWM";
    }
    if (settings.headerFrames && !*settings.headerFrames) {
        return "--frames held does not apply to TRC to GWM: a GWM file has the header's frame count";
    }
    std::string problem;
    SourceDateEpochUsable(problem);
    return problem;
}

// The utility panel's TRC to GWM batch: without --to, or --to gwm with the
// panel's options.
bool PanelBatch(const ConvertOptions& options) {
    return options.to.empty() || (tovfileio::KindByKeyword(options.to) == FileKind::kGwm &&
                                  options.to.front() != '.' && (GwmOptionGiven(options) || options.noFilter));
}

int RunFormatBatchOf(const ConvertOptions& options, const Settings& settings, CommandContext& context);

int RunBatch(const ConvertOptions& options, const Settings& settings, CommandContext& context) {
    auto usage = [&](const std::string& what) { return context.UsageError("convert", what); };
    if (!PanelBatch(options)) return RunFormatBatchOf(options, settings, context);
    if (!options.report.empty() || options.resume) {
        return usage("--report and --resume go with --to FORMAT; the TRC to GWM batch keeps its log");
    }
    if (const std::string problem = GwmUsageProblem(options, settings); !problem.empty()) {
        return usage(problem);
    }
    if (options.noFilter && options.mnm.empty()) return usage("--no-filter goes with --mnm");
    if (options.outputFolder.empty()) return usage("--batch needs -o OUTDIR, the folder to write into");
    if (std::find(options.files.begin(), options.files.end(), "-") != options.files.end()) {
        return usage("standard input (-) cannot be a file of a batch");
    }
    return RunGwmBatch(GwmCommandOf(options, settings), context);
}

// The kind OUT is written as: by its name or --to, else the input's own
// format for a pipe (standard output, a device or a FIFO) and the input's
// own conversion for a folder. False with why not in `refused`.
bool ChooseOutputKind(const ConvertOptions& options, FileKind inKind, FileKind& outKind,
                      std::string& refused) {
    struct stat status {};
    const bool exists = ::stat(options.out.c_str(), &status) == 0;
    const bool pipe = options.out == "-" ||
                      (exists && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode));
    const bool unnamed = pipe || options.out.back() == '/' || (exists && S_ISDIR(status.st_mode));
    return ChooseConvertTarget({inKind, options.out, unnamed, pipe, options.to}, outKind, refused);
}

// One conversion of IN into OUT, as `convert IN OUT` runs it and a batch
// runs it for each of its sources.
struct SingleRun {
    const ConvertOptions& options;
    const Settings& settings;
    const std::vector<tovfileio::CleaningStep>& cleaning;
    // Where its messages go (its IO).
    CommandContext& context;
    // What a conversion the options do not fit says: a usage error of
    // `convert IN OUT`, a refusal of one source of a batch.
    std::function<int(const std::string&)> refuse;
    ConversionOutcome* outcome = nullptr;  // told how it went, when asked
};

HtrConversionOptions HtrOptionsOf(const SingleRun& run) {
    HtrConversionOptions htr;
    htr.in = run.options.in;
    htr.out = run.options.out;
    htr.units = run.settings.units;
    htr.rotationUnits = run.settings.rotationUnits;
    htr.headerFrames = run.settings.headerFrames;
    htr.maxOutput = run.settings.maxOutput;
    htr.strict = run.settings.strict;
    htr.outcome = run.outcome;
    return htr;
}

// A take converted by the conversion core: markers to markers, a skeleton to
// a skeleton or to its joints' positions.
int ConvertByCore(const SingleRun& run, const InputFile& input, FileKind outKind, bool panelConversion) {
    const ConvertOptions& options = run.options;
    const Settings& settings = run.settings;
    const CommandIO& io = run.context.IO();
    TakeConversionOptions take;
    // --units with --mnm or --offset: the conversion core renames, filters
    // and offsets as the module's conversion does, in the units written.
    tovfileio::MarkerNameMap map;
    if (panelConversion) {
        if (!LoadMarkerNameMap(options.mnm, map, io)) return kExitFailed;
        take.gwm = settings.gwm;
        take.gwm.Filter = !options.mnm.empty();
        take.map = &map;
    }
    take.units = settings.units;
    take.inUnits = settings.inUnits;
    take.up = settings.up;
    take.maxOutput = settings.maxOutput;
    take.strict = settings.strict;
    take.frames = settings.headerFrames.value_or(false) ? FrameChoice::kHeader : FrameChoice::kHeld;
    take.acceptMisread = options.acceptMisread;
    take.cleaning = run.cleaning;
    if (!ReadRenameMaps(options.cleaning, take.cleaning, io)) return kExitFailed;
    take.content = options.analog   ? tovfileio::C3dContent::kAnalog
                   : options.forces ? tovfileio::C3dContent::kForces
                                    : tovfileio::C3dContent::kMarkers;
    take.zeroPlates = options.zeroPlates;
    take.outcome = run.outcome;
    return ConvertTake(io, options.in, input, outKind, options.out, take);
}

// glTF: the file imported into a fresh scene by the module, then written.
int ConvertToScene(const SingleRun& run, const InputFile& input, FileKind outKind) {
    const ConvertOptions& options = run.options;
    if (GwmOptionGiven(options) || HtrOptionGiven(options)) {
        return run.refuse("--units, --rotation-units, --mnm and --offset do not apply to glTF");
    }
    if (run.settings.inUnits) return run.refuse("--in-units does not apply to glTF");
    // --up says how the input stands: glTF is Y-up whatever it holds.
    const UpChoice up = options.upText.empty() ? UpChoice::kDefault : *ParseUpChoice(options.upText);
    const CommandIO& io = run.context.IO();
    ImportableCopy importable;
    std::string error;
    if (!importable.Make(input.ReadPath(), io, error, up)) return Report(io, options.in, error);
    return ConvertToGltf(io, options.in, importable.Path(), importable.Kind(), options.out,
                         outKind == FileKind::kGlb);
}

// IN OUT: the conversion follows the input's format and the output's name.
int RunSingle(const SingleRun& run) {
    const ConvertOptions& options = run.options;
    const Settings& settings = run.settings;
    const auto& cleaning = run.cleaning;
    const CommandIO& io = run.context.IO();
    const auto& usage = run.refuse;
    InputFile input;
    input.SetByteLimit(settings.maxInput);
    std::string error;
    if (!input.Resolve(options.in, io, error)) {
        io.Err(Escaped(error) + "\n");  // "IN: REASON"
        if (run.outcome != nullptr) run.outcome->failed = true;
        return kExitFailed;
    }
    const FileKind inKind = input.Kind();
    FileKind outKind = FileKind::kUnknown;
    if (std::string refused; !ChooseOutputKind(options, inKind, outKind, refused)) return usage(refused);
    if (!cleaning.empty() && (!tovfileio::HoldsMarkers(inKind) || !tovfileio::HoldsMarkers(outKind))) {
        return usage(kCleaningForMarkers);
    }
    if (tovfileio::KindInfo(outKind).holds == tovfileio::KindHolds::kScene) {
        return ConvertToScene(run, input, outKind);
    }
    const bool htrToHtr = inKind == FileKind::kHtr && outKind == FileKind::kHtr;
    if (settings.inUnits && inKind != FileKind::kBvh && inKind != FileKind::kTrc && inKind != FileKind::kC3d) {
        return usage("--in-units applies to BVH files, and to TRC and C3D files that state no units");
    }
    if (!options.rotationUnitsText.empty() && !htrToHtr) {
        return usage("--rotation-units applies to HTR to HTR only");
    }
    const bool panelConversion = inKind == FileKind::kTrc && outKind == FileKind::kGwm;
    if (!options.upText.empty() && !settings.up) return usage("--up auto applies to glTF");
    if (!options.upText.empty() && !tovfileio::HoldsMarkers(outKind)) {
        return usage("--up applies to marker outputs (TRC, C3D, GWM, CSV); a skeleton is written "
                     "Y-up");
    }
    if (htrToHtr) return ConvertHtrToHtr(io, input, HtrOptionsOf(run));
    if (options.analog || options.forces) {
        if (inKind != FileKind::kC3d || outKind != FileKind::kCsv) {
            return usage("--analog and --forces read a C3D file into a CSV file");
        }
        if (!cleaning.empty() || !options.unitsText.empty() || !options.upText.empty() ||
            GwmOptionGiven(options)) {
            return usage("--analog and --forces write the file's channels as they are: no cleaning, "
                         "--units, --up, --mnm or --offset");
        }
    }
    if (GwmOptionGiven(options) && !panelConversion) {
        return usage("--mnm, --offset and --offset-space apply to TRC to GWM only");
    }
    if (panelConversion && (options.upText.empty() || settings.up == UpAxis::kZ) &&
        options.unitsText.empty() && options.inUnitsText.empty() && cleaning.empty()) {
        if (const std::string problem = GwmUsageProblem(options, settings); !problem.empty()) {
            return usage(problem);
        }
        GwmCommand command = GwmCommandOf(options, settings);
        command.outcome = run.outcome;
        return RunGwmSingle(command, input, options.in, options.out, run.context);
    }
    if (settings.up && outKind == FileKind::kGwm && *settings.up != UpAxis::kZ) {
        return usage("a GWM file stands Z-up; --up y does not apply to it");
    }
    return ConvertByCore(run, input, outKind, panelConversion);
}

// A batch of any format: each source converted as `convert SOURCE
// OUTDIR/STEM.EXT --to FORMAT` with the same options, in a worker of its own.
int RunFormatBatchOf(const ConvertOptions& options, const Settings& settings, CommandContext& context) {
    auto usage = [&](const std::string& what) { return context.UsageError("convert", what); };
    FormatBatch batch;
    batch.to = tovfileio::KindByKeyword(options.to);
    const tovfileio::FileKindInfo& to = tovfileio::KindInfo(batch.to);
    if (batch.to == FileKind::kUnknown || options.to.front() == '.' || to.holds == tovfileio::KindHolds::kNothing) {
        return usage("--to " + options.to + ": give one of " + ConvertKeywords());
    }
    if (to.holds == tovfileio::KindHolds::kScene) {
        return usage(std::string("a batch does not write ") + to.name + "; convert one file at a time (convert IN OUT" +
                     to.extension + ")");
    }
    if (options.outputFolder.empty()) return usage("--batch needs -o OUTDIR, the folder to write into");
    if (std::find(options.files.begin(), options.files.end(), "-") != options.files.end()) {
        return usage("standard input (-) cannot be a file of a batch");
    }
    batch.sources = options.files;
    batch.outputFolder = options.outputFolder;
    batch.report = options.report;
    batch.resume = options.resume;
    batch.jobs = options.jobs.value_or(std::max(1u, std::thread::hardware_concurrency()));
    const std::vector<tovfileio::CleaningStep> noCleaning;
    return RunFormatBatch(
        batch,
        [&](const std::string& in, const std::string& out, const CommandIO& io, ConversionOutcome& outcome) {
            ConvertOptions one = options;
            one.in = in;
            one.out = out;
            CommandContext fileContext(io);
            auto refuse = [&io, &in](const std::string& what) { return Report(io, in, what); };
            return RunSingle({one, settings, noCleaning, fileContext, refuse, &outcome});
        },
        context);
}

// Checks the option values and the files, then converts.
int RunConvert(ConvertOptions& options, CommandContext& context) {
    auto usage = [&](const std::string& what) { return context.UsageError("convert", what); };
    std::vector<tovfileio::CleaningStep> cleaning;
    if (const std::string problem = CleaningSteps(*options.parsed, options.cleaning, cleaning, options.files);
        !problem.empty()) {
        return usage(problem);
    }
    if (options.batch && CleaningGiven(options.cleaning)) return usage(kCleaningForMarkers);
    if (options.analog && options.forces) return usage("give one of --analog and --forces");
    if (options.zeroPlates && !options.forces) return usage("--zero-plates goes with --forces");
    if (options.batch && (options.analog || options.forces)) {
        return usage("--analog and --forces convert one C3D file, not a batch");
    }
    if (!options.batch) {
        if (!options.outputFolder.empty()) return usage("-o goes with --batch; give IN OUT");
        if (options.noFilter) return usage("--no-filter goes with --batch");
        if (options.jobs) return usage("--jobs goes with --batch");
        if (!options.report.empty() || options.resume) return usage("--report and --resume go with --batch");
        if (options.files.size() != 2) return usage("give IN and OUT (or --batch -o OUTDIR IN...)");
        options.in = options.files[0];
        options.out = options.files[1];
    }
    Settings settings;
    if (const std::string problem = ParseSettings(options, settings); !problem.empty()) {
        return usage(problem);
    }
    if (options.batch) return RunBatch(options, settings, context);
    return RunSingle({options, settings, cleaning, context, usage});
}

}  // namespace

void AddConvertCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command =
        context.AddCommand(app, "convert", "write a take as another format: HTR, BVH, TRC, C3D, GWM, CSV or glTF",
                           [options, &context] { return RunConvert(*options, context); });
    command->add_option("--units", options->unitsText, "convert all lengths to these units")
        ->type_name(CalibrationUnitsKeywords("|"));
    command->add_option("--in-units", options->inUnitsText,
                        "the units IN's lengths are in where its file states none (a BVH file; a "
                        "TRC or C3D file without units; else mm is assumed)")
        ->type_name(CalibrationUnitsKeywords("|"));
    command->add_option("--up", options->upText,
                        "marker outputs: the axis positions stand up along (default: the "
                        "output format's: " + tovfileio::MarkerUpConventions() + "); "
                        "glTF: the axis IN stands up along (default: auto, told from the data; "
                        "Z for " + tovfileio::FixedZUpKinds() + ")")
        ->type_name("y|z|auto");
    command->add_option("--rotation-units", options->rotationUnitsText,
                        "HTR to HTR: write angles in these units")
        ->type_name(std::string(RotationUnitsWord(kRotationDegrees)) + "|" +
                    RotationUnitsWord(kRotationRadians));
    command->add_option("--to", options->to,
                        "write this format where OUT's name gives none")
        ->type_name(ConvertKeywords());
    command->add_option("--mnm", options->mnm,
                        "TRC to GWM: rename the markers the map names and leave out all others")
        ->type_name("MAP.mnm");
    command->add_option("--offset", options->offsetText, "TRC to GWM: add a translation offset")
        ->expected(3)
        ->allow_extra_args(false)
        ->type_name("X Y Z");
    command->add_option("--offset-space", options->offsetSpaceText,
                        "TRC to GWM: the offset is in TRC coordinates (the default) or in Brindle's")
        ->type_name("trc|brindle");
    command->add_option("--frames", options->framesText,
                        "write the header's frame count, padded, or the frames the file holds")
        ->type_name("header|held");
    command->add_option("--max-output", options->maxOutputText,
                        "largest output (default: 64M, or 64 times the input; 0: no limit)")
        ->type_name("SIZE");
    command->add_option("--max-input", options->maxInputText,
                        "most bytes read from standard input, a device or a FIFO (default: 4G; "
                        "0: no limit)")
        ->type_name("SIZE");
    command->add_flag("--strict", options->strict, "treat warnings as failures: write nothing");
    command->add_flag("--accept-misread", options->acceptMisread,
                      "write a marker take the reader misreads as it is read");
    command->add_flag("--batch", options->batch,
                      "convert many files into -o OUTDIR: with --to FORMAT, files of any kind; "
                      "without, TRC files to GWM as the utility panel's batch does, with the log "
                      "ConvertGWMLog.txt there");
    command->add_option("-o,--output-folder", options->outputFolder,
                        "--batch: the folder for the outputs (and the GWM batch's log)")
        ->type_name("OUTDIR");
    command->add_option("--report", options->report,
                        "--batch --to: write a JSON line a file (source, output, status, "
                        "findings, bytes, output_bytes, seconds)")
        ->type_name("FILE.jsonl");
    command->add_flag("--resume", options->resume,
                      "--batch --to: skip a file whose output is there and not older than it");
    command->add_option("-j,--jobs", options->jobs,
                        "--batch: files converted at once (default: the machine's cores)")
        ->type_name("N")
        ->check(CLI::Range(1u, 256u));
    command->add_flag("--analog", options->analog,
                      "C3D to CSV: the analog channels, scaled, one line a sample "
                      "(sample,time,LABEL...)");
    command->add_flag("--forces", options->forces,
                      "C3D to CSV: each force platform's force, moment and centre of pressure in "
                      "the lab's frame, one line a sample and platform");
    command->add_flag("--zero-plates", options->zeroPlates,
                      "--forces: take each platform's ZERO baseline off its channels first");
    command->add_flag("--no-filter", options->noFilter,
                      "--batch: load the map but keep every marker under its TRC name");
    options->parsed = command;
    CLI::Option* files = command->add_option("FILES", options->files,
                        "IN OUT: the file to read and the file to write (\"-\": standard input "
                        "or output); with --batch: the files to convert (without --to: TRC files, at most "
                        "1000)")
        ->type_name("FILE")
        ->required();
    AddCleaningOptions(*command, files, options->cleaning);
    std::string footer = kConvertFooter;
    footer.replace(footer.find("@UP@"), 4, tovfileio::MarkerUpConventions());
    footer.replace(footer.find("@BATCH@"), 7, kFormatBatchHelp);
    command->footer(footer);
}
