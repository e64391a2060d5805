#include "tovfileio/convert/Takes.h"

#include "tovfileio/bvh/BVHReader.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/gwm/GWMReader.h"
#include "tovfileio/text/TextCodec.h"

namespace tovfileio {

UpAxis ConventionalUp(FileKind kind) {
    return kind == FileKind::kGwm || kind == FileKind::kC3d ? UpAxis::kZ : UpAxis::kY;
}

const char* UpAxisName(UpAxis axis) { return axis == UpAxis::kZ ? "Z-up" : "Y-up"; }

bool HoldsMarkers(FileKind kind) {
    return kind == FileKind::kTrc || kind == FileKind::kC3d || kind == FileKind::kGwm ||
           kind == FileKind::kCsv;
}

bool HoldsSkeleton(FileKind kind) { return kind == FileKind::kHtr || kind == FileKind::kBvh; }

std::wstring ReadMarkers(const std::string& path, FileKind kind, TRCFile& into,
                         const MarkerReadOptions& options) {
    switch (kind) {
        case FileKind::kTrc: {
            into.SetMemoryLimit(options.memoryLimit);
            TRCReadOptions read;
            read.findings = options.findings;
            read.rows = options.rows;
            return into.ReadFile(path, read);
        }
        case FileKind::kC3d: {
            C3DReadOptions read;
            read.findings = options.findings;
            read.rows = options.rows;
            read.memoryLimit = options.memoryLimit;
            return ReadC3DFile(path, into, read);
        }
        case FileKind::kGwm: {
            GWMReadOptions read;
            read.findings = options.findings;
            read.rows = options.rows;
            read.memoryLimit = options.memoryLimit;
            return ReadGWMFile(path, into, read);
        }
        default: return L"Not a file of marker positions";
    }
}

std::wstring ReadSkeleton(const std::string& path, FileKind kind, HTRFile& into,
                          ReadObserver* findings) {
    switch (kind) {
        case FileKind::kHtr: return into.ReadFile(path, findings);
        case FileKind::kBvh: return ReadBVHFile(path, into, findings);
        default: return L"Not a file of skeletal motion";
    }
}

}  // namespace tovfileio
