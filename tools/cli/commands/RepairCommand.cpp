// tovfileio repair IN OUT: an HTR or TRC file rewritten where the readers
// recognise what keeps it from reading as meant; the library's repair
// decides every rewrite, and this command says them and writes OUT whole.
#include <string>
#include <vector>

#include "cli/commands/Commands.h"
#include "cli/files/InputFile.h"
#include "cli/files/OutputFile.h"
#include "cli/files/ReadLimits.h"
#include "cli/report/Diagnosis.h"
#include "cli/report/FindingReport.h"
#include "cli/report/RepairReport.h"
#include "cli/report/SafeText.h"
#include "tovfileio/repair/Repair.h"

using namespace tovfileio;

namespace {

const char kRepairFooter[] =
    "Reads IN (HTR or TRC, by its name or first bytes) and writes OUT with what\n"
    "keeps it from reading as it means rewritten, each change said by line.\n"
    "TRC: fields separated by commas, or by blanks, where tabs belong, each\n"
    "value kept in its column: a run of k blanks between two values holds k - 1\n"
    "empty fields where the row holds the separators the header's NumMarkers,\n"
    "the names of line 4 and the labels of line 5 agree on, and a row of as many\n"
    "values as fields holds none; a row whose values could stand in other\n"
    "columns refuses the file. Line 1 without its tabs, a line 6 of separators\n"
    "only, a last marker name without a tab, header values with empty fields\n"
    "between them, NumFrames and NumMarkers against the rows and names, frame\n"
    "numbers with gaps (filled with rows of dropouts), and samples that say NaN,\n"
    "written as empty fields, the layout's dropout (the host reads NaN as 0).\n"
    "The repaired TRC text is read back before it is written: every value must\n"
    "stand in its column and each marker read what its columns hold (a sample\n"
    "that says NaN, a dropout), else the file is refused, saying which value\n"
    "would move. HTR: another Euler order than ZYX (its rotations\n"
    "converted, the same rotations), commas between numbers, NumSegments and\n"
    "NumFrames against what the file holds, and a file without a hierarchy, whose\n"
    "segments then each stand under GLOBAL. What the repaired file still reads\n"
    "otherwise than meant is said as a warning. A file the repair cannot make\n"
    "readable is refused with the reader's diagnosis (as info --diagnose gives\n"
    "it) and nothing is written. OUT is written whole or not at all, and never\n"
    "is IN itself; \"-\" is standard output, and the changes then go to standard\n"
    "error.\n";

struct RepairOptions {
    std::string in;
    std::string out;
};

int Refused(const CommandIO& io, const std::string& in, const RepairResult& result) {
    const Diagnosis diagnosis = Diagnose(result.findings, result.message);
    std::string text = DiagnosisText(Escaped(in), diagnosis);
    // "IN: refused: ..." becomes "IN: not repaired: refused: ..."
    text.insert(Escaped(in).size() + 2, "not repaired: ");
    io.Err(text);
    return kExitFailed;
}

int RunRepair(const RepairOptions& options, CommandContext& context) {
    const CommandIO& io = context.IO();
    InputFile input;
    input.SetByteLimit(kDefaultInputLimit);
    std::string error;
    if (!input.Resolve(options.in, io, error)) {
        io.Err(Escaped(error) + "\n");
        return kExitFailed;
    }
    const FileKind kind = input.Kind();
    if (kind != FileKind::kHtr && kind != FileKind::kTrc) {
        io.Err(Escaped(options.in) + ": only HTR and TRC files are repaired\n");
        return kExitFailed;
    }
    const RepairResult result = RepairFile(input.ReadPath(), kind);
    if (!result.Repaired()) return Refused(io, options.in, result);

    OutputFile output;
    if (!output.Resolve(options.out, options.in, input.ReadPath(), KindInfo(kind).extension, nullptr,
                        error)) {
        io.Err(Escaped(output.Name().empty() ? options.out : output.Name()) + ": " + Escaped(error) + "\n");
        return kExitFailed;
    }
    if (!output.Write(result.text, error) || !output.Finish(io, error)) {
        io.Err(Escaped(output.Name()) + ": " + Escaped(error) + "\n");
        return kExitFailed;
    }
    const bool toStandardOutput = options.out == "-";
    const std::string in = Escaped(options.in);
    std::string said;
    for (const std::string& line : GroupedChanges(result.changes)) said += in + ": " + line + "\n";
    if (result.changes.empty()) said += in + ": nothing to repair; written as it is\n";
    if (toStandardOutput) {
        io.Err(said);
    } else {
        io.Out(said);
    }
    Warnings warnings(io);
    warnings.AddFindings(output.Name(), result.findings);
    return kExitOk;
}

}  // namespace

void AddRepairCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RepairOptions>();
    CLI::App* command = context.AddCommand(
        app, "repair", "rewrite an HTR or TRC file the readers refuse or misread, where the fix is certain",
        [options, &context] { return RunRepair(*options, context); });
    command->add_option("IN", options->in, "the HTR or TRC file to repair (\"-\": standard input)")
        ->type_name("FILE")
        ->required();
    command->add_option("OUT", options->out, "the repaired file (\"-\": standard output)")
        ->type_name("FILE")
        ->required();
    command->footer(kRepairFooter);
}
