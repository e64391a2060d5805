// tovfileio convert: reads a motion-capture file and writes it as another.
// HTR to HTR, with lengths converted or angles written in other units on the
// way; TRC to GWM, with markers renamed and filtered through an MNM map and
// an optional translation offset.
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "brindle/sdk/TextCodec.h"
#include "cli/CommandIO.h"
#include "cli/FileFormat.h"
#include "cli/StagedOutput.h"
#include "htr/HTRFile.h"
#include "htr/HTRPath.h"
#include "trc/TRCFile.h"
#include "utility/GWMWriter.h"
#include "utility/MarkerNameMap.h"

namespace {

const char kConvertHelp[] =
    "Usage: tovfileio convert [OPTIONS] IN.htr OUT.htr\n"
    "       tovfileio convert [OPTIONS] IN.trc OUT.gwm\n"
    "\n"
    "Reads IN and writes it as OUT. The conversion follows the two files: an\n"
    "HTR file is written again in the layout the HTR writer produces; a TRC\n"
    "file becomes a GWM marker file. OUT appears only when the whole file was\n"
    "written; an existing OUT is replaced then, and left as it was on any error.\n"
    "As when importing and exporting, \".htr\" is appended to an HTR path that\n"
    "does not end in it, and \".TRC\" to a TRC path without a three-letter\n"
    "extension.\n"
    "\n"
    "HTR to HTR:\n"
    "  --units mm|cm|m|in|ft|yd         convert all lengths to these units\n"
    "  --rotation-units degrees|radians write angles in these units\n"
    "\n"
    "TRC to GWM (positions turned from Y-up to Z-up):\n"
    "  --mnm MAP.mnm                    rename the markers the map names and\n"
    "                                   leave out all others\n"
    "  --offset X Y Z                   add a translation offset\n"
    "  --offset-space trc|brindle       the offset is in TRC coordinates (the\n"
    "                                   default) or in Brindle's\n"
    "  Without --mnm every marker is written under its TRC name. The\n"
    "  \"$DateTime\" line holds the local time, or SOURCE_DATE_EPOCH when set.\n"
    "\n"
    "  -h, --help                       show this help\n"
    "\n"
    "An error is reported as FILE: MESSAGE on standard error and the exit\n"
    "status is 1.\n";

enum class Conversion { HtrToHtr, TrcToGwm };

struct ConvertOptions {
    std::optional<CalibrationUnits> units;
    std::optional<RotationUnits> rotationUnits;
    std::optional<std::string> mnm;
    std::optional<float> offset[3];
    std::optional<bool> trcSpace;
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

}  // namespace

int RunConvertCommand(const Arguments& args, const CommandIO& io) {
    ConvertOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    bool htrOption = false;
    bool gwmOption = false;
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
        // "--name value" or "--name=value"; --offset takes three values.
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const int valueCount = name == "--offset" ? 3 : 1;
        std::vector<std::string> values;
        if (equals != std::string::npos && valueCount == 1) {
            values.push_back(arg.substr(equals + 1));
        } else if (equals == std::string::npos && i + valueCount < args.size()) {
            values.assign(args.begin() + static_cast<std::ptrdiff_t>(i + 1),
                          args.begin() + static_cast<std::ptrdiff_t>(i + 1 + valueCount));
            i += static_cast<std::size_t>(valueCount);
        }
        if (name == "--units") {
            htrOption = true;
            if (values.empty()) return UsageError(io, "option '--units' needs a value");
            options.units = ParseUnits(values[0]);
            if (!options.units) return UsageError(io, "unknown units '" + values[0] + "'");
        } else if (name == "--rotation-units") {
            htrOption = true;
            if (values.empty()) return UsageError(io, "option '--rotation-units' needs a value");
            options.rotationUnits = ParseRotationUnits(values[0]);
            if (!options.rotationUnits) {
                return UsageError(io, "unknown rotation units '" + values[0] + "'");
            }
        } else if (name == "--mnm") {
            gwmOption = true;
            if (values.empty()) return UsageError(io, "option '--mnm' needs a file");
            options.mnm = values[0];
        } else if (name == "--offset") {
            gwmOption = true;
            if (values.size() != 3) return UsageError(io, "option '--offset' needs X Y Z");
            for (int k = 0; k < 3; ++k) {
                options.offset[k] = ParseFloat(values[k]);
                if (!options.offset[k]) return UsageError(io, "not a number: '" + values[k] + "'");
            }
        } else if (name == "--offset-space") {
            gwmOption = true;
            if (values.empty() || (values[0] != "trc" && values[0] != "brindle")) {
                return UsageError(io, "option '--offset-space' takes trc or brindle");
            }
            options.trcSpace = values[0] == "trc";
        } else {
            return UsageError(io, "unknown option '" + arg + "'");
        }
    }
    if (files.size() != 2) return UsageError(io, "expected IN and OUT files");
    options.in = files[0];
    options.out = files[1];

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
