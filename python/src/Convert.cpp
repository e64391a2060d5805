#include "Convert.h"

#include <optional>
#include <string>

#include <pybind11/stl.h>

#include "Findings.h"
#include "Kinds.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/TextCodec.h"

namespace py = pybind11;
using tovfileio::FileKind;

namespace tovpy {
namespace {

std::optional<tovfileio::UpAxis> UpNamed(const std::optional<std::string>& text,
                                         const char* option) {
    if (!text) return std::nullopt;
    if (const auto up = tovfileio::UpAxisNamed(*text)) return up;
    throw py::value_error(std::string(option) + " must be 'y' or 'z'");
}

// "a TRC file converts to GWM (.gwm), ...": what the libraries convert a
// kind into (a scene's glTF is the command line's).
std::string Becomes(FileKind in) { return tovfileio::ConvertsToText(in, false); }

py::dict Convert(const std::string& in, const std::string& out, const std::optional<std::string>& to,
                 const std::optional<std::string>& units, const std::optional<std::string>& up,
                 const std::optional<std::string>& inUp, bool strict, const std::string& frames,
                 bool acceptMisread) {
    tovfileio::ConversionRequest request;
    request.in = in;
    request.inKind = KindOfTake(in);
    request.out = tovfileio::PathToWide(out);
    request.outKind = to ? KindNamed(*to) : KindOfOutput(out);
    if (request.outKind == FileKind::kUnknown) {
        throw py::value_error("the name '" + out + "' gives no format; " +
                              Becomes(request.inKind) + ": give to=");
    }
    if (units) {
        request.units = tovfileio::KnownCalibrationUnits(std::string_view(*units));
        if (!request.units) throw py::value_error("units must be one of " + tovfileio::CalibrationUnitsKeywords(", "));
    }
    if (frames != "held" && frames != "header") {
        throw py::value_error("frames must be 'held' or 'header'");
    }
    request.frames = frames == "header" ? tovfileio::FrameChoice::kHeader : tovfileio::FrameChoice::kHeld;
    request.acceptMisread = acceptMisread;
    request.up = UpNamed(up, "up");
    request.inUp = UpNamed(inUp, "in_up");
    if (!tovfileio::Converts(request.inKind, request.outKind)) {
        RaiseConversionError(Becomes(request.inKind) + ", not " +
                                 tovfileio::KindInfo(request.outKind).name,
                             {});
    }
    request.baseName = tovfileio::GWMBaseName(request.out);
    request.dateTime = tovfileio::GWMDateTimeText();
    FindingCollector findings;
    request.findings = &findings;
    tovfileio::ConversionResult result;
    std::uint64_t warnings = 0;
    {
        py::gil_scoped_release unlocked;
        if (strict) warnings = tovfileio::WarningsOf(in, request.inKind).size();
        WatchOutputs();
        if (warnings == 0) result = tovfileio::Convert(request);
    }
    if (warnings > 0) {
        RaiseConversionError(tovfileio::Counted(warnings, "warning", "warnings") +
                                 ", failures with strict=True; nothing written",
                             tovfileio::WarningsOf(in, request.inKind));
    }
    if (!result.readMessage.empty()) {
        RaiseReadError(in, result.readMessage, findings.All(),
                       result.misread ? &*result.misread : nullptr);
    }
    if (!result.writeMessage.empty()) {
        // The skeleton writers keep the system's error number to themselves.
        const int ioError = result.ioError != 0 ? result.ioError : OutputError();
        if (ioError != 0) RaiseWriteError(out, result.writeMessage, ioError);
        RaiseConversionError(tovfileio::EncodeUtf8(result.writeMessage), findings.All());
    }
    py::dict done;
    done["notes"] = result.notes;
    done["points"] = result.points;
    done["frames"] = result.frames;
    done["findings"] = FindingObjects(findings.All());
    done["format"] = KindKeyword(request.outKind);
    return done;
}

}  // namespace

void RegisterConvert(py::module_& module) {
    module.def("_convert", &Convert, py::arg("src"), py::arg("dst"), py::arg("to") = py::none(),
               py::arg("units") = py::none(), py::arg("up") = py::none(),
               py::arg("in_up") = py::none(), py::arg("strict") = false,
               py::arg("frames") = "held", py::arg("accept_misread") = false);
    // ".trc": how files of a format are named, for outputs named after
    // their sources.
    module.def("_extension", [](const std::string& format) {
        return std::string(tovfileio::KindInfo(KindNamed(format)).extension);
    }, py::arg("format"));
}

}  // namespace tovpy
