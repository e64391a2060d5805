// tovfileio info: what a motion-capture file holds.
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "brindle/sdk/TextCodec.h"
#include "cli/Commands.h"
#include "cli/Diagnosis.h"
#include "cli/FileChecks.h"
#include "cli/FileFormat.h"
#include "cli/HtrSummary.h"
#include "cli/Progress.h"
#include "cli/ReadLimits.h"
#include "cli/TrcSummary.h"
#include "htr/HTRFile.h"
#include "trc/TRCFile.h"

namespace {

const char kInfoFooter[] =
    "For an HTR file: the header values, the number of segments, the hierarchy\n"
    "as an indented tree, the frames, the first frame and the duration (frames /\n"
    "frame rate, in seconds). For a TRC file: the header values, the data rows\n"
    "read against the header's frame count, the duration (rows / data rate) and\n"
    "every marker with its samples and dropouts. FILE \"-\" is standard input.\n"
    "\n"
    "The format follows the extension (.htr, .trc, any letter case), else the\n"
    "content: a file starting with \"PathFileType\" is TRC. A name that does not\n"
    "exist is looked for as the readers look: NAME.TRC (when it starts like a\n"
    "TRC file), else NAME.htr.\n"
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
    std::string maxMemory;
    std::vector<std::string> files;
};

void ShowDiagnosis(const std::string& file, const InfoOptions& options,
                   std::vector<Finding> findings, const std::string& message,
                   const CommandIO& io) {
    const Diagnosis diagnosis = Diagnose(std::move(findings), message);
    io.Out(options.json ? DiagnosisJson(file, diagnosis) : DiagnosisText(file, diagnosis));
}

// Reads one file and writes its report; false when it could not be read.
bool ShowFile(const std::string& file, const InfoOptions& options,
              std::optional<std::uint64_t> chosenMemory, Warnings& warnings, const CommandIO& io) {
    InputFile input;
    std::string error;
    if (!input.Resolve(file, io, error)) {
        io.Err(error + "\n");
        return false;
    }
    const bool trcFormat = input.Format() == FileFormat::Trc;
    const std::uint64_t memoryLimit = ReadMemoryLimit(input.ReadPath(), chosenMemory);
    std::wstring message;
    if (trcFormat) {
        TRCFile trc;
        trc.SetMemoryLimit(memoryLimit);
        {
            // The TRC reader reads the file twice: once counting its lines.
            Progress progress(io.err, 2 * FileBytes(input.ReadPath()), ProcessBytesRead,
                              "reading " + file);
            message = trc.Read(TextCodec::PathToWide(input.ReadPath()));
        }
        if (message.empty() && options.diagnose) {
            ShowDiagnosis(file, options, FindTrcProblems(input.ReadPath(), trc), "", io);
            return true;
        }
        if (message.empty()) {
            CheckTrcFile(input.ReadPath(), file, trc, warnings);
            io.Out(options.json ? TrcJson(file, trc) : DescribeTrc(file, trc));
            return true;
        }
    } else {
        HTRFile htr;
        {
            Progress progress(io.err, FileBytes(input.ReadPath()), ProcessBytesRead,
                              "reading " + file);
            message = htr.Read(TextCodec::PathToWide(input.ReadPath()));
        }
        if (message.empty() && options.diagnose) {
            ShowDiagnosis(file, options, FindHtrProblems(input.ReadPath(), htr), "", io);
            return true;
        }
        if (message.empty()) {
            CheckHtrFile(input.ReadPath(), file, htr, warnings);
            io.Out(options.json ? HtrJson(file, htr) : DescribeHtr(file, htr));
            return true;
        }
    }
    const std::string text = TextCodec::EncodeUtf8(message);
    if (options.diagnose && text != "The file could not be opened") {
        ShowDiagnosis(file, options, LocateReadFailure(input.ReadPath(), trcFormat, text), text, io);
        return false;
    }
    const std::string context =
        ExplainReadFailure(input.ReadPath(), input.Tried(), file, trcFormat, text);
    io.Err(file + ": " + text + (context.empty() ? "" : " " + context) +
           MemoryAdvice(text, memoryLimit) + "\n");
    return false;
}

int RunInfo(const InfoOptions& options, CommandContext& context) {
    const CommandIO& io = context.IO();
    std::optional<std::uint64_t> memoryLimit;
    if (!options.maxMemory.empty()) {
        std::uint64_t bytes = 0;
        if (!ParseByteSize(options.maxMemory, bytes)) {
            return context.UsageError("info", "--max-memory takes a size such as 512M or 4G, not '" +
                                                  options.maxMemory + "'");
        }
        memoryLimit = bytes;
    }
    Warnings warnings(io);
    int status = kExitOk;
    for (const std::string& file : options.files) {
        if (!ShowFile(file, options, memoryLimit, warnings, io)) status = kExitFailed;
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
    command->add_flag("--json", options->json, "one JSON object per file, one per line");
    command->add_flag("--diagnose", options->diagnose,
                      "a verdict on how each file reads, with what makes it read wrongly or "
                      "fail, by line and column");
    command->add_flag("--strict", options->strict, "exit with status 1 when there is any warning");
    command->add_option("--max-memory", options->maxMemory,
                        "memory a TRC file's samples may take (default: 256M plus 16 times "
                        "the file's size; 0 for the machine's memory)")
        ->type_name("SIZE");
    command->add_option("FILE", options->files, "the files to read (\"-\": standard input)")
        ->required();
    command->footer(kInfoFooter);
}
