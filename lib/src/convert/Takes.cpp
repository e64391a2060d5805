#include "tovfileio/convert/Takes.h"

#include <sys/stat.h>

#include <vector>

#include "tovfileio/bvh/BVHReader.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/gwm/GWMReader.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/trc/MarkerCsv.h"
#include "tovfileio/trc/TRCWriter.h"
#include "tovfileio/text/TextCodec.h"

namespace tovfileio {

namespace {

constexpr wchar_t kNotMarkers[] = L"Not a file of marker positions";
constexpr wchar_t kNotSkeleton[] = L"Not a file of skeletal motion";

TRCReadOptions TrcOptions(const MarkerReadOptions& options) {
    TRCReadOptions read;
    read.findings = options.findings;
    read.rows = options.rows;
    read.nanIsDropout = options.nanIsDropout;
    return read;
}

template <typename Options>
Options StreamOptions(const MarkerReadOptions& options) {
    Options read;
    read.findings = options.findings;
    read.rows = options.rows;
    read.memoryLimit = options.memoryLimit;
    return read;
}

C3DReadOptions C3dOptions(const MarkerReadOptions& options) {
    C3DReadOptions read = StreamOptions<C3DReadOptions>(options);
    read.analog = options.analog;
    read.analogFrames = options.analogFrames;
    read.platforms = options.platforms;
    return read;
}

}  // namespace

std::wstring ReadMarkers(const std::string& path, FileKind kind, TRCFile& into,
                         const MarkerReadOptions& options) {
    switch (kind) {
        case FileKind::kTrc:
            into.SetMemoryLimit(options.memoryLimit);
            return into.ReadFile(path, TrcOptions(options));
        case FileKind::kC3d: return ReadC3DFile(path, into, C3dOptions(options));
        case FileKind::kGwm: return ReadGWMFile(path, into, StreamOptions<GWMReadOptions>(options));
        default: return kNotMarkers;
    }
}

std::wstring ReadMarkersMemory(std::string_view bytes, FileKind kind, TRCFile& into,
                               const MarkerReadOptions& options) {
    switch (kind) {
        case FileKind::kTrc:
            into.SetMemoryLimit(options.memoryLimit);
            return into.ReadMemory(bytes, TrcOptions(options));
        case FileKind::kC3d:
            return ReadC3DMemory(bytes, into, C3dOptions(options));
        case FileKind::kGwm:
            return ReadGWMMemory(bytes, into, StreamOptions<GWMReadOptions>(options));
        default: return kNotMarkers;
    }
}

std::optional<std::int64_t> MarkerRowsHeld(const std::string& path, FileKind kind) {
    // A FIFO or device would give its bytes to this count and none to the
    // read after it.
    struct stat status {};
    if (kind != FileKind::kTrc || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    struct Nothing : TRCRowSink {
        bool Row(const TRCRow&) override { return true; }
    } nothing;
    TRCReadOptions count;
    count.rows = &nothing;
    count.countRowsOnly = true;
    TRCFile take;
    if (!take.ReadFile(path, count).empty()) return std::nullopt;
    return take.GetNumRows();
}

// The header of `take` without its samples: what a row sink's Begin takes.
namespace {

TRCFile HeaderOf(const TRCFile& take) {
    TRCFile header;
    header.SetUnits(take.GetUnits());
    header.SetUnitsStated(take.UnitsStated());
    header.SetDataRate(take.GetDataRate());
    header.SetCameraRate(take.GetCameraRate());
    header.SetNumFrames(take.GetNumFrames());
    header.SetStartFrame(take.GetStartFrame());
    header.SetRowNumbering(take.GetRowNumbering());
    header.SetNumRows(take.GetNumRows());
    for (std::uint32_t i = 0; i < take.GetNumMarkers(); ++i) {
        const TRCMarker& marker = *take.GetMarker(i);
        TRCMarker* added = header.AddMarker(TRCMarker(marker.GetName()));
        if (added != nullptr) added->SetIncluded(marker.IsIncluded());
    }
    return header;
}

}  // namespace

void StreamMarkerRows(const TRCFile& take, TRCRowSink& sink) {
    if (!sink.Begin(HeaderOf(take))) return;
    const std::uint32_t markers = take.GetNumMarkers();
    std::vector<TRCSample> row(markers);
    for (std::uint32_t r = 0; r < take.GetNumRows(); ++r) {
        for (std::uint32_t m = 0; m < markers; ++m) {
            const std::span<const TRCSample> samples = take.GetMarker(m)->Samples();
            row[m] = r < samples.size() ? samples[r] : TRCSample{};
        }
        if (!sink.Row(TRCRow(row, TRCSample{}, markers))) return;
    }
}

std::wstring WriteMarkers(const std::wstring& path, FileKind kind, const TRCFile& take) {
    switch (kind) {
        case FileKind::kTrc: return WriteTRCFile(path, take);
        case FileKind::kC3d: return WriteC3DFile(path, take);
        case FileKind::kCsv: return WriteMarkerCsvFile(path, take);
        case FileKind::kGwm:
            if (!GWMFramesNumbered(take)) return kGwmFramesUnnumbered;
            return WriteGWMFile(path, take, ConvertGWMSettings()) ? std::wstring()
                                                                   : kMarkerFileNotWritten;
        default: return L"Markers are written as TRC, C3D, GWM or CSV files";
    }
}

std::wstring WriteSkeleton(const std::wstring& path, FileKind kind, const HTRFile& skeleton,
                           int* ioError, BVHWriteNotes* notes) {
    switch (kind) {
        case FileKind::kHtr: return skeleton.Write(path, ioError);
        case FileKind::kBvh: return WriteBVHFile(path, skeleton, notes);
        default: return L"A skeleton is written as an HTR or BVH file";
    }
}

std::vector<ReadFinding> WarningsOf(const std::string& path, FileKind kind) {
    struct Warnings : ReadObserver {
        void Found(const ReadFinding& finding) override {
            if (IsWarning(finding)) found.push_back(finding);
        }
        std::vector<ReadFinding> found;
    } warnings;
    if (HoldsSkeleton(kind)) {
        HTRFile skeleton;
        ReadSkeleton(path, kind, skeleton, &warnings);
    } else {
        struct Nothing : TRCRowSink {
            bool Row(const TRCRow&) override { return true; }
        } nothing;
        TRCFile take;
        MarkerReadOptions read;
        read.findings = &warnings;
        read.rows = &nothing;
        ReadMarkers(path, kind, take, read);
    }
    return warnings.found;
}

std::wstring ReadSkeleton(const std::string& path, FileKind kind, HTRFile& into,
                          ReadObserver* findings) {
    switch (kind) {
        case FileKind::kHtr: return into.ReadFile(path, findings);
        case FileKind::kBvh: return ReadBVHFile(path, into, findings);
        default: return kNotSkeleton;
    }
}

std::wstring ReadSkeletonMemory(std::string_view bytes, FileKind kind, HTRFile& into,
                                ReadObserver* findings) {
    switch (kind) {
        case FileKind::kHtr: return into.ReadMemory(bytes, findings);
        case FileKind::kBvh: return ReadBVHMemory(bytes, into, findings);
        default: return kNotSkeleton;
    }
}

}  // namespace tovfileio
