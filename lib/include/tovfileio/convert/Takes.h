// Any take the libraries read, whatever its format: marker takes (TRC, C3D,
// GWM) into the marker model, skeletal takes (HTR, BVH) into the skeletal
// model. Programs read through these instead of choosing readers
// themselves.
#pragma once

#include <cstdint>
#include <string>

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// The axis a file's positions stand up along.
enum class UpAxis { kY, kZ };

// The up axis files of `kind` hold by convention: Z for GWM files (the
// host's axes) and C3D files (a lab's floor is its X-Y plane), Y for TRC,
// HTR and BVH files. CSV files have none of their own and are written as
// their source stands (Y, the same as TRC).
UpAxis ConventionalUp(FileKind kind);
// "Y-up", "Z-up".
const char* UpAxisName(UpAxis axis);

// Whether files of `kind` hold marker positions (TRC, C3D, GWM, CSV) or a
// skeleton's motion (HTR, BVH).
bool HoldsMarkers(FileKind kind);
bool HoldsSkeleton(FileKind kind);

struct MarkerReadOptions {
    ReadObserver* findings = nullptr;  // told what the reader finds
    TRCRowSink* rows = nullptr;        // null: every row is kept in the markers
    std::uint64_t memoryLimit = 0;     // as TRCFile::SetMemoryLimit
};

// Reads the marker take at `path` (UTF-8, opened as given) of `kind` (TRC,
// C3D or GWM) into `into`; the empty string on success, otherwise the
// reader's message for the user.
std::wstring ReadMarkers(const std::string& path, FileKind kind, TRCFile& into,
                         const MarkerReadOptions& options = {});
// Reads the skeletal take at `path` of `kind` (HTR or BVH) into `into`; the
// empty string on success, otherwise the reader's message.
std::wstring ReadSkeleton(const std::string& path, FileKind kind, HTRFile& into,
                          ReadObserver* findings = nullptr);

}  // namespace tovfileio
