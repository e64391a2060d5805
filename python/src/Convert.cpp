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
    if (*text == "y" || *text == "Y") return tovfileio::UpAxis::kY;
    if (*text == "z" || *text == "Z") return tovfileio::UpAxis::kZ;
    throw py::value_error(std::string(option) + " must be 'y' or 'z'");
}

// "a TRC file becomes GWM, TRC, C3D or CSV": what the libraries' table says
// a kind converts into.
std::string Becomes(FileKind in) {
    const tovfileio::FileKindInfo& info = tovfileio::KindInfo(in);
    std::string text = std::string(info.article) + " " + info.name + " file becomes ";
    for (std::size_t i = 0; i < info.becomes.size(); ++i) {
        if (i > 0) text += i + 1 == info.becomes.size() ? " or " : ", ";
        text += tovfileio::KindInfo(info.becomes[i]).name;
    }
    return info.becomes.empty() ? std::string(info.article) + " " + info.name +
                                      " file converts to nothing"
                                : text;
}

// The warnings a read of the input gives, found before anything is
// written, as the command line's --strict finds them.
std::vector<tovfileio::ReadFinding> FindingsOf(const std::string& in, FileKind kind) {
    FindingCollector findings;
    if (tovfileio::HoldsSkeleton(kind)) {
        tovfileio::HTRFile skeleton;
        tovfileio::ReadSkeleton(in, kind, skeleton, &findings);
    } else {
        struct Nothing : tovfileio::TRCRowSink {
            bool Row(const tovfileio::TRCRow&) override { return true; }
        } nothing;
        tovfileio::TRCFile take;
        tovfileio::ReadMarkers(in, kind, take, {&findings, &nothing, 0});
    }
    return findings.findings;
}

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
        if (!request.units) throw py::value_error("units must be one of mm, cm, m, in, ft, yd");
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
        if (strict) {
            for (const auto& finding : FindingsOf(in, request.inKind)) {
                warnings += tovfileio::IsWarning(finding) ? 1 : 0;
            }
        }
        WatchOutputs();
        if (warnings == 0) result = tovfileio::Convert(request);
    }
    if (warnings > 0) {
        RaiseConversionError(tovfileio::Counted(warnings, "warning", "warnings") +
                                 ", failures with strict=True; nothing written",
                             FindingsOf(in, request.inKind));
    }
    if (!result.readMessage.empty()) {
        RaiseReadError(in, result.readMessage, findings.findings,
                       result.misread ? &*result.misread : nullptr);
    }
    if (!result.writeMessage.empty()) {
        // The skeleton writers keep the system's error number to themselves.
        const int ioError = result.ioError != 0 ? result.ioError : OutputError();
        if (ioError != 0) RaiseWriteError(out, result.writeMessage, ioError);
        RaiseConversionError(tovfileio::EncodeUtf8(result.writeMessage), findings.findings);
    }
    py::dict done;
    done["notes"] = result.notes;
    done["points"] = result.points;
    done["frames"] = result.frames;
    done["findings"] = FindingObjects(findings.findings);
    done["format"] = KindKeyword(request.outKind);
    return done;
}

}  // namespace

void RegisterConvert(py::module_& module) {
    module.def("_convert", &Convert, py::arg("src"), py::arg("dst"), py::arg("to") = py::none(),
               py::arg("units") = py::none(), py::arg("up") = py::none(),
               py::arg("in_up") = py::none(), py::arg("strict") = false,
               py::arg("frames") = "held", py::arg("accept_misread") = false);
}

}  // namespace tovpy
