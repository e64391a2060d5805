// Markers.fill_gaps, filtered, cropped and renamed: the take's arrays made
// into the marker model, cleaned by the libraries' cleaning steps, and
// given back as new arrays with the mask of the samples gap filling made.
// Also the pairs of an MNM marker-name map, for renamed(path).
#include "Cleaning.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "MarkerArrays.h"
#include "tovfileio/clean/Cleaning.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/text/TextCodec.h"

namespace py = pybind11;
using tovfileio::CleaningStep;

namespace tovpy {

namespace {

// One step as the package hands it over: ("fill", method, max_gap),
// ("lowpass", hz), ("range", first, last), ("rename", [(old, new)...]),
// ("keep", [names]) or ("drop", [names]).
CleaningStep StepOf(const py::tuple& given) {
    const std::string kind = given[0].cast<std::string>();
    CleaningStep step;
    if (kind == "fill") {
        const auto method = tovfileio::GapMethodNamed(given[1].cast<std::string>());
        if (!method) throw py::value_error("method is one of auto, linear, spline, rigid and pattern");
        step.kind = CleaningStep::Kind::kFillGaps;
        step.fill.method = *method;
        step.fill.maxGapSeconds = given[2].cast<double>();
    } else if (kind == "lowpass") {
        step.kind = CleaningStep::Kind::kLowPass;
        step.cutoff = given[1].cast<double>();
    } else if (kind == "range") {
        step.kind = CleaningStep::Kind::kKeepFrames;
        step.from = given[1].cast<std::int64_t>();
        step.to = given[2].cast<std::int64_t>();
    } else if (kind == "rename") {
        step.kind = CleaningStep::Kind::kRename;
        for (const auto& [from, to] : given[1].cast<std::vector<std::pair<std::string, std::string>>>()) {
            step.renames.emplace_back(tovfileio::DecodeUtf8(from), tovfileio::DecodeUtf8(to));
        }
    } else {
        step.kind = kind == "keep" ? CleaningStep::Kind::kKeepMarkers : CleaningStep::Kind::kDropMarkers;
        for (const std::string& name : given[1].cast<std::vector<std::string>>()) {
            step.names.push_back(tovfileio::DecodeUtf8(name));
        }
    }
    return step;
}

// The take of the arrays: its markers' samples from `positions`, those
// `filled` marks marked filled.
tovfileio::TRCFile TakeOf(const py::array_t<double, py::array::c_style | py::array::forcecast>& positions,
                          const py::array_t<bool, py::array::c_style | py::array::forcecast>& filled,
                          const std::vector<std::string>& names, int rate, int firstFrame) {
    if (positions.ndim() != 3 || positions.shape(1) != static_cast<py::ssize_t>(names.size()) ||
        positions.shape(2) != 3 || filled.ndim() != 2 || filled.shape(0) != positions.shape(0) ||
        filled.shape(1) != positions.shape(1)) {
        throw py::value_error("positions must be (frames, markers, 3) and filled (frames, markers)");
    }
    const std::size_t frames = static_cast<std::size_t>(positions.shape(0));
    tovfileio::TRCFile take;
    take.SetDataRate(rate);
    take.SetStartFrame(firstFrame);
    take.SetNumFrames(static_cast<std::int32_t>(frames));
    take.SetNumRows(static_cast<std::uint32_t>(frames));
    for (const std::string& name : names) {
        if (take.AddMarker(tovfileio::TRCMarker(tovfileio::DecodeUtf8(name))) == nullptr) {
            throw py::value_error("two markers are named " + name);
        }
    }
    AddSamples(take, positions.data(), frames, names.size(), false);
    const bool* mask = filled.data();
    for (std::size_t m = 0; m < names.size(); ++m) {
        auto samples = take.GetMarker(static_cast<std::uint32_t>(m))->Samples();
        for (std::size_t f = 0; f < frames; ++f) samples[f].filled = samples[f].valid && mask[f * names.size() + m];
    }
    return take;
}

py::list FillReports(const tovfileio::CleaningReport& report) {
    py::list fills;
    for (const tovfileio::CleaningReport::Fill& fill : report.fills) {
        auto gaps = [&](const std::vector<tovfileio::MarkerGap>& list) {
            py::list found;
            for (const tovfileio::MarkerGap& gap : list) {
                const std::int64_t first = fill.startFrame + gap.first;
                found.append(py::make_tuple(tovfileio::EncodeUtf8(fill.markers[gap.marker]), first,
                                            first + gap.length - 1));
            }
            return found;
        };
        py::list filled;
        for (const tovfileio::FilledGap& gap : fill.report.filled) {
            const std::int64_t first = fill.startFrame + gap.gap.first;
            filled.append(py::make_tuple(tovfileio::EncodeUtf8(fill.markers[gap.gap.marker]), first,
                                         first + gap.gap.length - 1, tovfileio::GapMethodName(gap.method)));
        }
        py::dict one;
        one["filled"] = filled;
        one["too_long"] = gaps(fill.report.tooLong);
        one["at_ends"] = gaps(fill.report.atEnds);
        one["unfillable"] = gaps(fill.report.unfillable);
        fills.append(one);
    }
    return fills;
}

py::dict Clean(const py::array_t<double, py::array::c_style | py::array::forcecast>& positions,
               const py::array_t<bool, py::array::c_style | py::array::forcecast>& filled,
               const std::vector<std::string>& names, int rate, int firstFrame, const py::list& steps) {
    std::vector<CleaningStep> cleaning;
    for (const py::handle step : steps) cleaning.push_back(StepOf(step.cast<py::tuple>()));
    tovfileio::TRCFile take = TakeOf(positions, filled, names, rate, firstFrame);
    tovfileio::CleaningReport report;
    std::wstring refused;
    {
        py::gil_scoped_release unlocked;
        refused = tovfileio::CleanTake(take, cleaning, report);
    }
    if (!refused.empty()) throw py::value_error(tovfileio::EncodeUtf8(refused));
    const std::size_t frames = take.GetNumRows(), markers = take.GetNumMarkers();
    py::array_t<double> cleaned({frames, markers, std::size_t{3}});
    py::array_t<bool> mask({frames, markers});
    double* at = cleaned.mutable_data();
    bool* made = mask.mutable_data();
    std::vector<std::string> cleanedNames;
    for (std::size_t m = 0; m < markers; ++m) {
        const tovfileio::TRCMarker& marker = *take.GetMarker(static_cast<std::uint32_t>(m));
        cleanedNames.push_back(tovfileio::EncodeUtf8(marker.GetName()));
        const auto samples = marker.Samples();
        for (std::size_t f = 0; f < frames; ++f) {
            const tovfileio::TRCSample& sample = samples[f];
            double* to = at + (f * markers + m) * 3;
            to[0] = sample.valid ? sample.x : NAN;
            to[1] = sample.valid ? sample.y : NAN;
            to[2] = sample.valid ? sample.z : NAN;
            made[f * markers + m] = sample.valid && sample.filled;
        }
    }
    py::dict done;
    done["positions"] = cleaned;
    done["filled"] = mask;
    done["names"] = cleanedNames;
    done["first_frame"] = take.GetStartFrame();
    done["fills"] = FillReports(report);
    return done;
}

// The system's number for why the file at `path` cannot be read: open()'s
// error, EISDIR for a folder, else EIO.
int WhyNotOpened(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return errno;
    struct stat status {};
    const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    ::close(fd);
    return folder ? EISDIR : EIO;
}

// Raises the OSError open() raises for the file at `path` (bytes as the
// system names it), which the map's reader could not open.
[[noreturn]] void RaiseNotOpened(const std::string& path) {
    const int error = WhyNotOpened(path);
    const py::object name = py::reinterpret_steal<py::object>(
        PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
    errno = error;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, name.ptr());
    throw py::error_already_set();
}

// The entries of the MNM marker-name map at `path`, in the file's order, as
// (GWM code, TRC name) pairs.
std::vector<std::pair<std::string, std::string>> MarkerNameMapPairs(const std::string& path) {
    tovfileio::MarkerNameMap map;
    if (!map.ReadMNMFile(tovfileio::PathToWide(path))) RaiseNotOpened(path);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const tovfileio::MarkerNameMapEntry& entry : map.Entries()) {
        pairs.emplace_back(tovfileio::EncodeUtf8(entry.gwmName), tovfileio::EncodeUtf8(entry.trcName));
    }
    return pairs;
}

}  // namespace

void RegisterCleaning(py::module_& module) {
    module.def("_clean", &Clean, py::arg("positions"), py::arg("filled"), py::arg("names"), py::arg("rate"),
               py::arg("first_frame"), py::arg("steps"));
    module.def("_marker_name_map", &MarkerNameMapPairs, py::arg("path"));
}

}  // namespace tovpy
