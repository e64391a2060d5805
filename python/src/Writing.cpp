#include "Writing.h"

#include <optional>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "Findings.h"
#include "Kinds.h"
#include "MarkerArrays.h"
#include "Skeletons.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/convert/UpTurn.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/trc/TRCWriter.h"

namespace py = pybind11;
using tovfileio::FileKind;

namespace tovpy {
namespace {

using Positions = py::array_t<double, py::array::c_style | py::array::forcecast>;
using tovfileio::UpAxis;

std::optional<UpAxis> UpNamed(const py::handle& text, const char* what) {
    if (text.is_none()) return std::nullopt;
    const auto up = tovfileio::UpAxisNamed(py::str(text).cast<std::string>());
    if (!up) throw py::value_error(std::string(what) + " must be 'y' or 'z'");
    return up;
}

// `count` positions turned from standing along `from` to `to`, as the
// conversion core turns marker rows; a NaN stays a NaN, so a dropout stays one.
std::vector<double> Turned(const double* positions, std::size_t count, UpAxis from, UpAxis to) {
    std::vector<double> turned(positions, positions + count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        double* at = turned.data() + i * 3;
        tovfileio::TurnUp(at[0], at[1], at[2], from, to);
    }
    return turned;
}

// An up axis to turn positions from and to.
struct UpTurn {
    UpAxis from;
    UpAxis to;
};

// The kind to write: as `format` names it, else as the path's name gives it.
FileKind OutputKind(const std::string& path, const std::optional<std::string>& format) {
    const FileKind kind = format ? KindNamed(*format) : KindOfOutput(path);
    if (kind == FileKind::kUnknown) {
        throw py::value_error("the name '" + path + "' gives no format; give format=");
    }
    if (!tovfileio::KindInfo(kind).written) {
        throw py::value_error(KindKeyword(kind) + " files are read, not written");
    }
    return kind;
}

// The marker model of a Markers object, its positions turned by `turn`;
// `yUpForGwm` hands the GWM writer, which turns Y-up positions to Z-up, the
// positions it turns into these.
void MarkerModel(const py::handle& markers, tovfileio::TRCFile& into, bool yUpForGwm,
                 const std::optional<UpTurn>& turn) {
    const Positions positions = Positions::ensure(markers.attr("positions"));
    const auto names = markers.attr("names").cast<std::vector<std::string>>();
    if (!positions || positions.ndim() != 3 || positions.shape(2) != 3 ||
        static_cast<std::size_t>(positions.shape(1)) != names.size()) {
        throw py::value_error("positions must have the shape (frames, markers, 3), a marker "
                              "for each name");
    }
    const std::string units = py::str(markers.attr("units"));
    const auto unit = tovfileio::KnownCalibrationUnits(std::string_view(units));
    if (!unit) throw py::value_error("units must be one of " + tovfileio::CalibrationUnitsKeywords(", "));
    const std::size_t frames = positions.shape(0);
    into.Reset();
    into.SetUnits(*unit);
    into.SetDataRate(markers.attr("rate").cast<std::int32_t>());
    into.SetCameraRate(markers.attr("camera_rate").cast<std::int32_t>());
    into.SetStartFrame(markers.attr("first_frame").cast<std::int32_t>());
    if (frames > static_cast<std::size_t>(INT32_MAX)) throw py::value_error("too many frames");
    into.SetNumFrames(static_cast<std::int32_t>(frames));
    into.SetNumRows(static_cast<std::uint32_t>(frames));
    for (const std::string& name : names) {
        if (into.AddMarker(tovfileio::TRCMarker(tovfileio::DecodeUtf8(name))) == nullptr) {
            throw py::value_error("marker name '" + name + "' is used twice");
        }
    }
    const double* data = positions.data();
    py::gil_scoped_release unlocked;
    std::vector<double> turned;
    if (turn && turn->from != turn->to) {
        turned = Turned(data, frames * names.size(), turn->from, turn->to);
        data = turned.data();
    }
    AddSamples(into, data, frames, names.size(), yUpForGwm);
}

// Writes markers, their positions turned to stand along `up` when given;
// with `up`, says what was turned, as convert() says it.
py::dict WriteMarkers(const std::string& path, FileKind kind, const py::handle& markers,
                      const py::handle& up) {
    std::optional<UpTurn> turn;
    if (const std::optional<UpAxis> to = UpNamed(up, "up")) {
        turn = UpTurn{*UpNamed(markers.attr("up"), "the take's up"), *to};
    }
    tovfileio::TRCFile take;
    MarkerModel(markers, take, kind == FileKind::kGwm, turn);
    const std::wstring wide = tovfileio::PathToWide(path);
    std::wstring message;
    {
        py::gil_scoped_release unlocked;
        WatchOutputs();
        message = tovfileio::WriteMarkers(wide, kind, take);
        // The GWM writer says no more than that it failed; the file system
        // watched tells whether the file was made at all.
        if (kind == FileKind::kGwm && message == tovfileio::kMarkerFileNotWritten &&
            OutputNotCreated()) {
            message = tovfileio::kMarkerFileNotCreated;
        }
    }
    if (!message.empty()) RaiseWriteError(path, message, OutputError());
    py::dict written;
    if (turn) {
        py::list notes;
        if (turn->from != turn->to) {
            notes.append(std::string("positions turned from ") + tovfileio::UpAxisName(turn->from) +
                         " to " + tovfileio::UpAxisName(turn->to));
        }
        written["notes"] = notes;
    }
    return written;
}

// What a BVH file could not hold, for the caller: the writer's notes.
py::dict WriteSkeleton(const std::string& path, FileKind kind, const py::handle& skeleton) {
    tovfileio::HTRFile model;
    SkeletonModel(skeleton, model);
    const std::wstring wide = tovfileio::PathToWide(path);
    std::wstring message;
    int ioError = 0;
    tovfileio::BVHWriteNotes notes;
    {
        py::gil_scoped_release unlocked;
        WatchOutputs();
        message = tovfileio::WriteSkeleton(wide, kind, model, &ioError, &notes);
    }
    if (!message.empty()) RaiseWriteError(path, message, ioError != 0 ? ioError : OutputError());
    if (ioError != 0) RaiseWriteError(path, tovfileio::kMarkerFileNotWritten, ioError);
    auto utf8 = [](const std::vector<std::wstring>& names) {
        std::vector<std::string> list;
        for (const std::wstring& name : names) list.push_back(tovfileio::EncodeUtf8(name));
        return list;
    };
    py::dict written;
    written["joints_with_positions"] = utf8(notes.jointsWithPositions);
    written["scale_dropped"] = utf8(notes.scaleDropped);
    return written;
}

}  // namespace

void RegisterWriting(py::module_& module) {
    module.def(
        "_write",
        [](const std::string& path, const py::handle& data, const std::string& holds,
           const std::optional<std::string>& format, const py::handle& up) {
            const FileKind kind = OutputKind(path, format);
            if (holds == "markers" && tovfileio::HoldsMarkers(kind)) {
                return WriteMarkers(path, kind, data, up);
            }
            if (holds == "skeleton" && !up.is_none()) {
                throw py::value_error("up= turns markers' positions; a skeleton is written as "
                                      "it stands");
            }
            if (holds == "skeleton" && tovfileio::HoldsSkeleton(kind)) {
                return WriteSkeleton(path, kind, data);
            }
            throw py::value_error(std::string(holds == "markers" ? "markers" : "a skeleton") +
                                  " cannot be written as " + KindKeyword(kind) +
                                  "; convert() writes a skeleton's joints as markers");
        },
        py::arg("path"), py::arg("data"), py::arg("holds"), py::arg("format") = py::none(),
        py::arg("up") = py::none());
}

}  // namespace tovpy
