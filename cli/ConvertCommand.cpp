// tovfileio convert: reads a motion-capture file and writes it as another.
// HTR to HTR, with lengths converted or angles written in other units on the
// way; TRC to GWM, with markers renamed and filtered through an MNM map and
// an optional translation offset.
#include <cctype>
#include <charconv>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "brindle/sdk/TextCodec.h"
#include "cli/Commands.h"
#include "cli/FileFormat.h"
#include "cli/StagedOutput.h"
#include "htr/HTRFile.h"
#include "htr/HTRPath.h"
#include "trc/TRCFile.h"
#include "utility/GWMWriter.h"
#include "utility/MarkerNameMap.h"

namespace {

const char kConvertFooter[] =
    "Reads IN and writes it as OUT. The conversion follows the two files: an\n"
    "HTR file is written again in the layout the HTR writer produces; a TRC\n"
    "file becomes a GWM marker file (positions turned from Y-up to Z-up).\n"
    "OUT appears only when the whole file was written; an existing OUT is\n"
    "replaced then, and left as it was on any error. As when importing and\n"
    "exporting, \".htr\" is appended to an HTR path that does not end in it,\n"
    "and \".TRC\" to a TRC path without a three-letter extension.\n"
    "Without --mnm every marker is written under its TRC name. The \"$DateTime\"\n"
    "line holds the local time, or SOURCE_DATE_EPOCH when set.\n"
    "\n"
    "An error is reported as FILE: MESSAGE on standard error and the exit\n"
    "status is 1.";

enum class Conversion { HtrToHtr, TrcToGwm };

struct ConvertOptions {
    std::optional<CalibrationUnits> units;
    std::optional<RotationUnits> rotationUnits;
    std::optional<std::string> mnm;
    std::optional<float> offset[3];
    std::optional<bool> trcSpace;
    // As given on the command line, checked once parsing is over.
    std::string unitsText, rotationUnitsText, mnmText, offsetSpaceText;
    std::vector<std::string> offsetText;
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

std::optional<float> ParseFloat(const std::string& text) {
    float value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
    return value;
}

bool HasExtension(const std::string& path, const char* extension) {
    const std::size_t n = std::char_traits<char>::length(extension);
    if (path.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != extension[i]) {
            return false;
        }
    }
    return true;
}

int UsageError(const CommandIO& io, const std::string& what) {
    io.Err("tovfileio convert: " + what + "\nTry 'tovfileio convert --help'.\n");
    return kExitUsage;
}

int Report(const CommandIO& io, const std::string& file, const std::string& message) {
    io.Err(file + ": " + message + "\n");
    return kExitFailed;
}

int ReportWide(const CommandIO& io, const std::string& file, const std::wstring& message) {
    return Report(io, file, TextCodec::EncodeUtf8(message));
}

// Moves the finished temporary file into place, or says why not.
int Finish(const CommandIO& io, const std::string& out, StagedOutput& staged, bool ioFailed) {
    if (ioFailed) return Report(io, out, "The file could not be written completely");
    std::string error;
    if (!staged.Commit(error)) return Report(io, out, "The file could not be put in place: " + error);
    return kExitOk;
}

int ConvertHtr(const ConvertOptions& options, const CommandIO& io) {
    HTRFile htr;
    const std::wstring readMessage = htr.Read(TextCodec::PathToWide(options.in));
    if (!readMessage.empty()) return ReportWide(io, options.in, readMessage);
    if (options.units) htr.ConvertCalibrationUnits(*options.units);
    if (options.rotationUnits) htr.SetRotationUnits(*options.rotationUnits);

    StagedOutput staged(TextCodec::WideToPath(WithHtrExtension(TextCodec::PathToWide(options.out))),
                        ".htr");
    bool ioFailed = false;
    const std::wstring writeMessage = htr.Write(TextCodec::PathToWide(staged.TempPath()), &ioFailed);
    if (!writeMessage.empty()) return ReportWide(io, options.out, writeMessage);
    return Finish(io, options.out, staged, ioFailed);
}

int ConvertTrcToGwm(const ConvertOptions& options, const CommandIO& io) {
    ConvertGWMSettings settings;
    settings.Filter = options.mnm.has_value();
    settings.Offset = options.offset[0].has_value();
    settings.TRCSpace = options.trcSpace.value_or(true);
    if (settings.Offset) {
        settings.OffsetX = *options.offset[0];
        settings.OffsetY = *options.offset[1];
        settings.OffsetZ = *options.offset[2];
    }
    MarkerNameMap map;
    if (options.mnm && !map.ReadMNMFile(TextCodec::PathToWide(*options.mnm))) {
        return Report(io, *options.mnm, "The file could not be opened");
    }
    TRCFile trc;
    const std::wstring readMessage = trc.Read(TextCodec::PathToWide(options.in));
    if (!readMessage.empty()) return ReportWide(io, options.in, readMessage);
    if (settings.Filter) map.ApplyFilter(trc);

    StagedOutput staged(options.out, ".gwm");
    bool ioFailed = false;
    const std::wstring outPath = TextCodec::PathToWide(options.out);
    if (!WriteGWMFileNamed(TextCodec::PathToWide(staged.TempPath()), GWMBaseName(outPath), trc,
                           settings, &ioFailed)) {
        return Report(io, options.out, "The file could not be opened");
    }
    return Finish(io, options.out, staged, ioFailed);
}

// Checks the option values and the pair of files, then converts.
int RunConvert(ConvertOptions& options, const CommandIO& io) {
    const bool htrOption = !options.unitsText.empty() || !options.rotationUnitsText.empty();
    const bool gwmOption =
        !options.mnmText.empty() || !options.offsetText.empty() || !options.offsetSpaceText.empty();
    if (!options.unitsText.empty()) {
        options.units = ParseUnits(options.unitsText);
        if (!options.units) return UsageError(io, "unknown units '" + options.unitsText + "'");
    }
    if (!options.rotationUnitsText.empty()) {
        options.rotationUnits = ParseRotationUnits(options.rotationUnitsText);
        if (!options.rotationUnits) {
            return UsageError(io, "unknown rotation units '" + options.rotationUnitsText + "'");
        }
    }
    if (!options.mnmText.empty()) options.mnm = options.mnmText;
    for (std::size_t k = 0; k < options.offsetText.size() && k < 3; ++k) {
        options.offset[k] = ParseFloat(options.offsetText[k]);
        if (!options.offset[k]) return UsageError(io, "not a number: '" + options.offsetText[k] + "'");
    }
    if (!options.offsetSpaceText.empty()) {
        if (options.offsetSpaceText != "trc" && options.offsetSpaceText != "brindle") {
            return UsageError(io, "option '--offset-space' takes trc or brindle");
        }
        options.trcSpace = options.offsetSpaceText == "trc";
    }

    // The input's format by extension or content; the output's by extension,
    // else the input's own target.
    const bool trcIn = DetectFileFormat(options.in) == FileFormat::Trc;
    const bool gwmOut = HasExtension(options.out, ".gwm");
    const bool htrOut = HasExtension(options.out, ".htr");
    Conversion conversion;
    if (trcIn && !htrOut) {
        conversion = Conversion::TrcToGwm;
    } else if (!trcIn && !gwmOut) {
        conversion = Conversion::HtrToHtr;
    } else {
        return UsageError(io, trcIn ? "a TRC file converts to GWM, not to HTR"
                                    : "an HTR file converts to HTR, not to GWM");
    }
    if (conversion == Conversion::HtrToHtr && gwmOption) {
        return UsageError(io, "--mnm, --offset and --offset-space apply to TRC to GWM only");
    }
    if (conversion == Conversion::TrcToGwm && htrOption) {
        return UsageError(io, "--units and --rotation-units apply to HTR to HTR only");
    }
    return conversion == Conversion::HtrToHtr ? ConvertHtr(options, io)
                                              : ConvertTrcToGwm(options, io);
}

}  // namespace

void AddConvertCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command =
        context.AddCommand(app, "convert", "HTR to HTR with units converted, or TRC to GWM",
                           [options, &context] { return RunConvert(*options, context.IO()); });
    command->add_option("--units", options->unitsText,
                        "HTR to HTR: convert all lengths to these units")
        ->type_name("mm|cm|m|in|ft|yd");
    command->add_option("--rotation-units", options->rotationUnitsText,
                        "HTR to HTR: write angles in these units")
        ->type_name("degrees|radians");
    command->add_option("--mnm", options->mnmText,
                        "TRC to GWM: rename the markers the map names and leave out all others")
        ->type_name("MAP.mnm");
    command->add_option("--offset", options->offsetText, "TRC to GWM: add a translation offset")
        ->expected(3)
        ->allow_extra_args(false)
        ->type_name("X Y Z");
    command->add_option("--offset-space", options->offsetSpaceText,
                        "TRC to GWM: the offset is in TRC coordinates (the default) or in Brindle's")
        ->type_name("trc|brindle");
    command->add_option("IN", options->in, "the file to read")->required();
    command->add_option("OUT", options->out, "the file to write")->required();
    command->footer(kConvertFooter);
}
