// tovfileio.read: a take from a file or from bytes in memory, through the
// libraries' readers, without the interpreter's lock while they read.
#include "Reading.h"

#include <new>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include <pybind11/stl.h>

#include "AnalogArrays.h"
#include "Findings.h"
#include "Kinds.h"
#include "MarkerArrays.h"
#include "Skeletons.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/text/TextCodec.h"

namespace py = pybind11;
using tovfileio::FileKind;

namespace tovpy {
namespace {

// What is read: a file by its path (bytes, opened as given) or bytes held
// in memory.
struct Source {
    std::string path;
    std::string_view bytes;
    bool inMemory = false;
};

std::uint64_t FileBytes(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

std::wstring ReadMarkersFrom(const Source& source, FileKind kind, tovfileio::TRCFile& take,
                             FindingCollector& findings, MarkerBlock& rows, AnalogTake& analog) {
    tovfileio::MarkerReadOptions options;
    options.findings = &findings;
    options.rows = &rows;
    analog.Ask(kind, options);
    return source.inMemory ? tovfileio::ReadMarkersMemory(source.bytes, kind, take, options)
                           : tovfileio::ReadMarkers(source.path, kind, take, options);
}

std::wstring ReadSkeletonFrom(const Source& source, FileKind kind, tovfileio::HTRFile& skeleton,
                              FindingCollector& findings) {
    return source.inMemory ? tovfileio::ReadSkeletonMemory(source.bytes, kind, skeleton, &findings)
                           : tovfileio::ReadSkeleton(source.path, kind, skeleton, &findings);
}

// What a read of a take is asked for besides the format.
struct ReadRequest {
    bool acceptMisread = false;
    bool zeroPlates = false;  // a C3D file's platform loads with their ZERO baseline off
};

py::dict ReadMarkerTake(const Source& source, FileKind kind, const ReadRequest& request) {
    FindingCollector findings;
    tovfileio::TRCFile take;
    MarkerBlock rows(source.inMemory ? source.bytes.size() : FileBytes(source.path));
    AnalogTake analog;
    std::wstring message;
    {
        py::gil_scoped_release unlocked;
        message = ReadMarkersFrom(source, kind, take, findings, rows, analog);
    }
    if (rows.OutOfMemory()) throw std::bad_alloc();
    if (!message.empty()) RaiseReadError(source.path, message, findings.All());
    RaiseIfMisread(source.path, findings.All(), request.acceptMisread);
    py::list names;
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        names.append(tovfileio::EncodeUtf8(take.GetMarker(m)->GetName()));
    }
    py::dict fields;
    fields["positions"] = rows.TakeArray();
    fields["names"] = names;
    fields["rate"] = take.GetDataRate();
    fields["camera_rate"] = take.GetCameraRate();
    fields["units"] = tovfileio::CalibrationUnitsKeyword(take.GetUnits());
    fields["first_frame"] = take.GetStartFrame();
    fields["header_frames"] = take.GetNumFrames();
    fields["up"] = tovfileio::ConventionalUp(kind) == tovfileio::UpAxis::kZ ? "z" : "y";
    fields["findings"] = FindingObjects(findings.All());
    analog.AddFields(fields, request.zeroPlates);
    return fields;
}

py::dict ReadSkeletonTake(const Source& source, FileKind kind) {
    FindingCollector findings;
    tovfileio::HTRFile skeleton;
    std::wstring message;
    {
        py::gil_scoped_release unlocked;
        message = ReadSkeletonFrom(source, kind, skeleton, findings);
    }
    if (!message.empty()) RaiseReadError(source.path, message, findings.All());
    RaiseIfForeign(source.path, findings.All());
    py::dict fields = SkeletonFields(skeleton);
    fields["findings"] = FindingObjects(findings.All());
    return fields;
}

py::dict ReadTake(const Source& source, FileKind kind, const ReadRequest& request) {
    py::dict fields = tovfileio::HoldsMarkers(kind) ? ReadMarkerTake(source, kind, request)
                                                     : ReadSkeletonTake(source, kind);
    fields["format"] = KindKeyword(kind);
    fields["holds"] = tovfileio::HoldsMarkers(kind) ? "markers" : "skeleton";
    return fields;
}

FileKind ReadableKind(FileKind kind) {
    if (kind == FileKind::kCsv || !tovfileio::KindInfo(kind).read ||
        (!tovfileio::HoldsMarkers(kind) && !tovfileio::HoldsSkeleton(kind))) {
        throw py::value_error(KindKeyword(kind) + " files are written, not read");
    }
    return kind;
}

}  // namespace

void RegisterReading(py::module_& module) {
    module.def(
        "_read_file",
        [](const std::string& path, const std::optional<std::string>& format, bool acceptMisread,
           bool zeroPlates) {
            const FileKind kind =
                ReadableKind(format ? KindNamed(*format) : KindOfTake(path, true));
            Source source;
            source.path = path;
            return ReadTake(source, kind, {acceptMisread, zeroPlates});
        },
        py::arg("path"), py::arg("format") = py::none(), py::arg("accept_misread") = false,
        py::arg("zero_plates") = false,
        "The fields of the take at `path` (bytes of the file name, opened as given).");
    module.def(
        "_read_memory",
        [](const py::buffer& data, const std::string& format, bool acceptMisread, bool zeroPlates) {
            const FileKind kind = ReadableKind(KindNamed(format));
            const py::buffer_info info = data.request();
            if (info.ndim > 1 || info.itemsize != 1 ||
                (info.ndim == 1 && info.strides[0] != 1)) {
                throw py::value_error("data must be contiguous bytes");
            }
            Source source;
            source.bytes = std::string_view(static_cast<const char*>(info.ptr),
                                            static_cast<std::size_t>(info.size));
            source.inMemory = true;
            return ReadTake(source, kind, {acceptMisread, zeroPlates});
        },
        py::arg("data"), py::arg("format"), py::arg("accept_misread") = false,
        py::arg("zero_plates") = false,
        "The fields of the take held in `data` (bytes as a file holds them).");
}

}  // namespace tovpy
