// tovfileio convert: reads a motion-capture file and writes it again, with
// lengths converted or angles written in other units on the way.
#include <optional>
#include <string>

#include "brindle/sdk/TextCodec.h"
#include "cli/CommandIO.h"
#include "cli/FileFormat.h"
#include "cli/StagedOutput.h"
#include "htr/HTRFile.h"
#include "htr/HTRPath.h"

namespace {

const char kConvertHelp[] =
    "Usage: tovfileio convert [OPTIONS] IN.htr OUT.htr\n"
    "\n"
    "Reads IN and writes it as OUT in the layout the HTR writer produces.\n"
    "As when importing and exporting, \".htr\" is appended to a path that does\n"
    "not end in it. OUT appears only when the whole file was written; an\n"
    "existing OUT is replaced then, and left as it was on any error.\n"
    "\n"
    "Options:\n"
    "  --units mm|cm|m|in|ft|yd         convert all lengths to these units\n"
    "  --rotation-units degrees|radians write angles in these units\n"
    "  -h, --help                       show this help\n"
    "\n"
    "An error is reported as IN: MESSAGE or OUT: MESSAGE on standard error and\n"
    "the exit status is 1.\n";

struct ConvertOptions {
    std::optional<CalibrationUnits> units;
    std::optional<RotationUnits> rotationUnits;
    std::string in;
    std::string out;
};

std::optional<CalibrationUnits> ParseUnits(const std::string& text) {
    for (std::uint32_t u = kUnitsMillimetres; u <= kUnitsYards; ++u) {
        if (text == CalibrationUnitsKeyword(u)) return static_cast<CalibrationUnits>(u);
    }
    return std::nullopt;
}

std::optional<RotationUnits> ParseRotationUnits(const std::string& text) {
    if (text == "degrees") return kRotationDegrees;
    if (text == "radians") return kRotationRadians;
    return std::nullopt;
}

int UsageError(const CommandIO& io, const std::string& what) {
    io.Err("tovfileio convert: " + what + "\nTry 'tovfileio convert --help'.\n");
    return kExitUsage;
}

int Report(const CommandIO& io, const std::string& file, const std::string& message) {
    io.Err(file + ": " + message + "\n");
    return kExitFailed;
}

int ConvertHtr(const ConvertOptions& options, const CommandIO& io) {
    HTRFile htr;
    const std::wstring readMessage = htr.Read(TextCodec::PathToWide(options.in));
    if (!readMessage.empty()) return Report(io, options.in, TextCodec::EncodeUtf8(readMessage));
    if (options.units) htr.ConvertCalibrationUnits(*options.units);
    if (options.rotationUnits) htr.SetRotationUnits(*options.rotationUnits);

    StagedOutput staged(TextCodec::WideToPath(WithHtrExtension(TextCodec::PathToWide(options.out))),
                        ".htr");
    bool ioFailed = false;
    const std::wstring writeMessage = htr.Write(TextCodec::PathToWide(staged.TempPath()), &ioFailed);
    if (!writeMessage.empty()) return Report(io, options.out, TextCodec::EncodeUtf8(writeMessage));
    if (ioFailed) return Report(io, options.out, "The file could not be written completely");
    std::string error;
    if (!staged.Commit(error)) {
        return Report(io, options.out, "The file could not be put in place: " + error);
    }
    return kExitOk;
}

}  // namespace

int RunConvertCommand(const Arguments& args, const CommandIO& io) {
    ConvertOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            io.Out(kConvertHelp);
            return kExitOk;
        }
        // "--name value" or "--name=value".
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name != "--units" && name != "--rotation-units") {
            return UsageError(io, "unknown option '" + arg + "'");
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return UsageError(io, "option '" + name + "' needs a value");
        }
        if (name == "--units") {
            options.units = ParseUnits(value);
            if (!options.units) return UsageError(io, "unknown units '" + value + "'");
        } else {
            options.rotationUnits = ParseRotationUnits(value);
            if (!options.rotationUnits) {
                return UsageError(io, "unknown rotation units '" + value + "'");
            }
        }
    }
    if (files.size() != 2) return UsageError(io, "expected IN and OUT files");
    options.in = files[0];
    options.out = files[1];
    if (DetectFileFormat(options.in) == FileFormat::Trc) {
        return Report(io, options.in, "TRC files are not supported by this version");
    }
    return ConvertHtr(options, io);
}
