#include "cli/commands/TakeConversion.h"

#include "cli/files/FileSizeLimit.h"
#include "cli/files/InputConversion.h"
#include "cli/files/OutputFile.h"
#include "cli/files/ReadLimits.h"
#include "cli/report/CleaningText.h"
#include "cli/report/FindingReport.h"
#include "cli/report/RepairReport.h"
#include "cli/report/SafeText.h"
#include "cli/run/Progress.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/text/FindingText.h"
#include "tovfileio/text/TextCodec.h"

using namespace tovfileio;

namespace {

int Report(const CommandIO& io, const std::string& file, const std::string& message) {
    io.Err(file + ": " + Escaped(message) + "\n");
    return kExitFailed;
}

// A take refused as misread: the finding that moves its data, what writes
// it anyway, and the repair that fixes the file where there is one.
int MisreadRefused(const CommandIO& io, const std::string& in, const InputFile& input,
                   const ConversionResult& result) {
    return Report(io, in, EncodeUtf8(result.readMessage) + " (" + FindingText(*result.misread) +
                              "); nothing written (--accept-misread writes it as read)" +
                              RepairHint(input.ReadPath(), input.Kind(), true));
}

// The status of a conversion that could not read or write a file, noted
// for a caller that asked.
int Failed(ConversionOutcome* outcome, int status) {
    if (outcome != nullptr) outcome->failed = true;
    return status;
}

}  // namespace

int ConvertTake(const CommandIO& io, const std::string& in, const InputFile& input,
                FileKind outKind, const std::string& out, const TakeConversionOptions& options) {
    if (options.strict) {
        const std::vector<ReadFinding> warned = WarningsOf(input.ReadPath(), input.Kind());
        if (const std::uint64_t count = warned.size(); count > 0) {
            if (options.outcome != nullptr) options.outcome->findings = warned;
            return Report(io, in, Counted(count, "warning", "warnings") +
                                      ", failures with --strict; nothing written");
        }
    }
    OutputFile output;
    std::string error;
    if (!output.Resolve(out, in, input.ReadPath(), KindInfo(outKind).extension, nullptr, error)) {
        return Failed(options.outcome, Report(io, output.Name(), error));
    }
    ConversionRequest request = InputConversion(input, output.WritePath(), outKind);
    request.units = options.units;
    request.inUnits = options.inUnits;
    request.up = options.up;
    request.baseName = GWMBaseName(PathToWide(output.Name() == "-" ? in : output.Name()));
    request.dateTime = GWMDateTimeText();
    request.frames = options.frames;
    request.gwm = options.gwm;
    request.map = options.map;
    request.acceptMisread = options.acceptMisread;
    request.cleaning = options.cleaning;
    request.content = options.content;
    request.zeroPlates = options.zeroPlates;
    FindingList findings;
    request.findings = &findings;

    const std::uint64_t inputBytes = FileBytes(input.ReadPath());
    const std::uint64_t limit = OutputLimit(inputBytes, options.maxOutput);
    ConversionResult result;
    bool tooLarge = false;
    {
        FileSizeLimit sizeLimit(output.IsPlainFile() ? limit : 0);
        Progress progress(io.err, inputBytes, ProcessBytesWritten, "writing " + output.Name());
        result = Convert(request);
        tooLarge = sizeLimit.Reached();
    }
    if (options.outcome != nullptr) options.outcome->findings = findings.All();
    if (result.misread) return MisreadRefused(io, in, input, result);
    if (!result.readMessage.empty()) {
        const std::string context = RefusalContext(findings, in, input.Tried());
        const int status =
            Report(io, in, EncodeUtf8(result.readMessage) + (context.empty() ? "" : " " + context));
        return CouldNotRead(findings.All()) ? Failed(options.outcome, status) : status;
    }
    Warnings warnings(io);
    warnings.AddFindings(in, findings.All());
    if (!result.writeMessage.empty()) {
        if (tooLarge) return Report(io, output.Name(), OutputTooLarge(limit, 0));
        if (result.ioError != 0) {
            return Failed(options.outcome,
                          Report(io, output.Name(), result.writeMessage == kFileNotOpened
                                                        ? NotOpened(result.ioError)
                                                        : NotWrittenWhole(result.ioError)));
        }
        return Report(io, output.Name(), EncodeUtf8(result.writeMessage));
    }
    if (!output.Finish(io, error)) {
        return Failed(options.outcome,
                      Report(io, output.Name(), "The file could not be put in place: " + error));
    }
    for (const std::string& note : result.notes) io.Err(output.Name() + ": " + note + "\n");
    for (const std::string& line : CleaningLines(result.cleaning)) io.Err(output.Name() + ": " + line + "\n");
    return kExitOk;
}
