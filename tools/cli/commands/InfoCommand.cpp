// tovfileio info: what a motion-capture file holds.
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "tovfileio/text/TextCodec.h"
#include "cli/commands/Commands.h"
#include "cli/report/AnalogSummary.h"
#include "cli/report/GapSummary.h"
#include "cli/report/Diagnosis.h"
#include "cli/report/RepairReport.h"
#include "cli/files/InputFile.h"
#include "cli/report/FindingReport.h"
#include "cli/report/HtrSummary.h"
#include "json/JsonWriter.h"
#include "cli/report/SummaryText.h"
#include "cli/run/Progress.h"
#include "cli/files/ReadLimits.h"
#include "cli/report/SafeText.h"
#include "cli/report/TrcSummary.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/text/FindingText.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

const char kInfoFooter[] =
    "For an HTR or BVH file: the header values, the number of segments, the\n"
    "hierarchy as an indented tree, the frames, the first frame and the duration\n"
    "(frames / frame rate, in seconds). For a TRC, C3D or GWM file: the header\n"
    "values, the data rows read against the header's frame count, the duration\n"
    "(rows / data rate) and every marker with its samples and dropouts. FILE \"-\"\n"
    "is standard input; it, a device or a FIFO is read up to --max-input bytes\n"
    "(4G by default) and refused when it offers more.\n"
    "\n"
    "A C3D file (its second byte 0x50), a BVH file (\"HIERARCHY\") and a GWM file\n"
    "(\"$Comments\") are told by their first bytes whatever their names; otherwise\n"
    "the format follows the extension (.htr, .trc, any letter case), else the\n"
    "content: \"PathFileType\" starts a TRC file. Other binary files are refused.\n"
    "A name that does not exist is looked for as the readers look: NAME.TRC\n"
    "(when it starts like a TRC file), else NAME.htr.\n"
    "\n"
    "Where the header, the name and label lines and the rows disagree, or number\n"
    "fields hold text, a warning says so on standard error (FILE: warning: ...).\n"
    "A file that cannot be read is reported as FILE: MESSAGE on standard error;\n"
    "the other files are still shown and the exit status is 1.\n"
    "\n"
    "--diagnose shows, instead of the summary, a verdict on each file (\"reads as\n"
    "written\", \"reads, but: ...\", \"refused: ...\") and every finding with its\n"
    "line, column and the text found there, marked [refusal], [shift] (data lost\n"
    "or read into the wrong marker or frame), [misread] (a value read as another)\n"
    "or [note] (off the layout, yet read the same). A refused file gives status 1.";

struct InfoOptions {
    bool json = false;
    bool strict = false;
    bool diagnose = false;
    bool gaps = false;
    std::string maxInputText;
    std::uint64_t maxInput = kDefaultInputLimit;
    std::vector<std::string> files;
};

// What reading one file gave: the reader's message and what it found.
struct FileRead {
    std::string message;
    FindingList findings;
    explicit FileRead(bool everyRefusal) : findings(everyRefusal) {}
};

// A C3D file's analog channels and force platforms, as info lists them:
// the samples are counted, not kept.
struct AnalogFacts : tovfileio::AnalogSink {
    tovfileio::C3DAnalog analog;
    std::vector<tovfileio::ForcePlatform> platforms;
    void Frame(const tovfileio::AnalogFrame&) override {}
    void Ask(tovfileio::MarkerReadOptions& read) {
        read.analog = &analog;
        read.analogFrames = this;
        read.platforms = &platforms;
    }
};

// Reads a marker take (TRC, C3D, GWM) a row at a time: no sample is kept.
std::string ReadMarkerTake(const InputFile& input, TRCFile& trc, TRCDropoutTally& tally,
                           FindingList& findings, AnalogFacts& analog) {
    tovfileio::MarkerReadOptions read;
    read.findings = &findings;
    read.rows = &tally;
    analog.Ask(read);
    return tovfileio::EncodeUtf8(tovfileio::ReadMarkers(input.ReadPath(), input.Kind(), trc, read));
}

// Reads a marker take whole, its rows kept in its markers, for --gaps.
std::string ReadWholeTake(const InputFile& input, TRCFile& trc, TRCDropoutTally& tally, FindingList& findings,
                          AnalogFacts& analog) {
    tovfileio::MarkerReadOptions read;
    read.findings = &findings;
    analog.Ask(read);
    const std::wstring message = tovfileio::ReadMarkers(input.ReadPath(), input.Kind(), trc, read);
    if (message.empty()) tovfileio::StreamMarkerRows(trc, tally);
    return tovfileio::EncodeUtf8(message);
}

// `report` with the take's gaps, and what --fill-gaps auto fills of them
// (found by filling them: the take is changed).
std::string WithGaps(const std::string& report, TRCFile& trc, bool json) {
    const std::vector<tovfileio::MarkerGap> gaps = tovfileio::FindGaps(trc);
    const tovfileio::GapFillReport fill = tovfileio::FillGaps(trc, tovfileio::GapFillOptions{});
    const std::vector<MarkerGapSummary> markers = SummariseGaps(trc, gaps, fill);
    return json ? WithGapsJson(report, markers) : report + GapsText(markers);
}

// Reads the file and gives its summary in `report`; false when the file
// cannot be shown (refused, or nothing of the format it was read as).
bool ReadAndDescribe(const InputFile& input, const std::string& file, const InfoOptions& options,
                     FileRead& read, std::string& report, const CommandIO& io) {
    Progress progress(io.err, FileBytes(input.ReadPath()), ProcessBytesRead, "reading " + file);
    const tovfileio::FileKind kind = input.Kind();
    if (tovfileio::HoldsMarkers(kind)) {
        TRCFile trc;
        TRCDropoutTally tally;
        AnalogFacts analog;
        read.message = options.gaps ? ReadWholeTake(input, trc, tally, read.findings, analog)
                                    : ReadMarkerTake(input, trc, tally, read.findings, analog);
        if (read.message.empty()) {
            report = options.json ? TrcJson(file, trc, tally, kind) : DescribeTrc(file, trc, tally, kind);
            if (kind == tovfileio::FileKind::kC3d) {
                report = options.json
                             ? WithAnalogJson(report, analog.analog, analog.platforms)
                             : report + AnalogText(analog.analog, analog.platforms,
                                                   tovfileio::CalibrationUnitsKeyword(trc.GetUnits()));
            }
            if (options.gaps) report = WithGaps(report, trc, options.json);
        }
    } else {
        HTRFile htr;
        read.message = tovfileio::EncodeUtf8(
            tovfileio::ReadSkeleton(input.ReadPath(), kind, htr, &read.findings));
        if (read.message.empty()) {
            report = options.json ? HtrJson(file, htr, kind) : DescribeHtr(file, htr, kind);
        }
    }
    return read.message.empty() && !IsForeignFile(read.findings.All());
}

// The record --json gives a file that could not be shown, beside the
// message on standard error: every file named has its line.
std::string RefusedJson(const std::string& file, const std::string& message) {
    JsonWriter json;
    json.BeginObject();
    json.Key("file").String(DisplayName(file));
    json.Key("refused").String(message);
    json.EndObject();
    return json.Text() + "\n";
}

// A take's --json record with its warnings, as standard error words them
// without the file's name: `record` ends in "}\n".
std::string WithWarnings(const std::string& record, const std::vector<tovfileio::ReadFinding>& findings) {
    JsonWriter json;
    json.BeginArray();
    for (const tovfileio::ReadFinding& finding : findings) {
        if (tovfileio::IsWarning(finding)) json.String(tovfileio::FindingText(finding));
    }
    json.EndArray();
    return record.substr(0, record.size() - 2) + ",\"warnings\":" + json.Text() + "}\n";
}

// Reads one file and writes its report; false when it could not be read.
bool ShowFile(const std::string& file, const InfoOptions& options, Warnings& warnings,
              const CommandIO& io) {
    const bool record = options.json && !options.diagnose;
    auto refused = [&](const std::string& line, const std::string& message) {
        io.Err(line + "\n");
        if (record) io.Out(RefusedJson(file, message));
        return false;
    };
    InputFile input;
    input.SetByteLimit(options.maxInput);
    std::string error;
    if (!input.Resolve(file, io, error)) {
        const std::string prefix = file + ": ";
        return refused(error, error.rfind(prefix, 0) == 0 ? error.substr(prefix.size()) : error);
    }
    const tovfileio::FileKind format = input.Kind();
    FileRead read(options.diagnose);
    std::string report;
    const bool shown = ReadAndDescribe(input, file, options, read, report, io);
    if (options.diagnose && !read.findings.Find(ReadFindingCode::kCannotOpen)) {
        const Diagnosis diagnosis = Diagnose(read.findings.All(), read.message);
        io.Out(options.json ? DiagnosisJson(file, diagnosis) : DiagnosisText(file, diagnosis));
        if (!options.json && diagnosis.verdict == Diagnosis::Verdict::Refused) {
            // "; `tovfileio repair IN OUT` repairs it (...)" as a line of its own.
            if (const std::string hint = RepairHint(input.ReadPath(), format); hint.size() > 2) {
                io.Out("  " + hint.substr(2) + "\n");
            }
        }
        return diagnosis.verdict != Diagnosis::Verdict::Refused;
    }
    if (!read.message.empty()) {
        const std::string context = RefusalContext(read.findings, file, input.Tried());
        const std::string message = read.message + (context.empty() ? "" : " " + context);
        return refused(file + ": " + Escaped(message), message);
    }
    if (!shown) {
        const std::string message = std::string("holds nothing of an HTR or TRC file (it was read as ") +
                                    tovfileio::KindInfo(format).name + ")";
        return refused(file + ": " + message, message);
    }
    warnings.AddFindings(file, read.findings.All());
    io.Out(record ? WithWarnings(report, read.findings.All()) : report);
    return true;
}

int RunInfo(InfoOptions& options, CommandContext& context) {
    const CommandIO& io = context.IO();
    if (!ParseInputLimit(options.maxInputText, options.maxInput)) {
        return context.UsageError("info", "--max-input takes a size such as 512M or 4G, not '" +
                                              options.maxInputText + "'");
    }
    Warnings warnings(io);
    int status = kExitOk;
    for (const std::string& file : options.files) {
        if (!ShowFile(file, options, warnings, io)) status = kExitFailed;
        std::fflush(io.out);
    }
    if (std::ferror(io.out) != 0) {
        io.Err(std::string("tovfileio info: standard output: ") +
               std::strerror(errno != 0 ? errno : EIO) + "\n");
        return kExitFailed;
    }
    if (options.strict && warnings.Count() > 0 && status == kExitOk) {
        io.Err("tovfileio info: " + Counted(warnings.Count(), "warning", "warnings") +
               ", failures with --strict\n");
        status = kExitFailed;
    }
    return status;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command = context.AddCommand(app, "info", "show what each file holds",
                                           [options, &context] { return RunInfo(*options, context); });
    command->add_flag("--json", options->json,
                      "one JSON object per line for every file named (JSON Lines): what it "
                      "holds with its warnings, or why it was refused");
    command->add_flag("--diagnose", options->diagnose,
                      "a verdict on how each file reads, with what makes it read wrongly or "
                      "fail, by line and column");
    command->add_flag("--gaps", options->gaps,
                      "marker takes: each marker's gaps and what --fill-gaps auto fills of them "
                      "(reads the take whole)");
    command->add_flag("--strict", options->strict, "exit with status 1 when there is any warning");
    command->add_option("--max-input", options->maxInputText,
                        "most bytes read from standard input, a device or a FIFO (default: 4G; "
                        "0: no limit)")
        ->type_name("SIZE");
    command->add_option("FILE", options->files, "the files to read (\"-\": standard input)")
        ->required();
    command->footer(kInfoFooter);
}
