// Any take the libraries read, whatever its format: marker takes (TRC, C3D,
// GWM) into the marker model, skeletal takes (HTR, BVH) into the skeletal
// model. Programs read through these instead of choosing readers
// themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/bvh/BVHWriter.h"
#include "tovfileio/c3d/C3DAnalog.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// What a program says when it refuses a marker take the reader misreads (a
// finding that loses or moves data, LosesOrMovesData, tells how).
inline constexpr wchar_t kMisreadTake[] =
    L"The take is misread: data of the file would be lost, or stand under other markers' names "
    L"or in other frames";

struct MarkerReadOptions {
    ReadObserver* findings = nullptr;  // told what the reader finds
    TRCRowSink* rows = nullptr;        // null: every row is kept in the markers
    std::uint64_t memoryLimit = 0;     // as TRCFile::SetMemoryLimit
    // A "NaN" field makes its sample a dropout, as the marker model means
    // it (TRCReadOptions::nanIsDropout); off only for the host's own rule.
    bool nanIsDropout = true;
    // A C3D file's analog channels, their samples (to `analogFrames` when
    // set) and its force platforms, read when set (C3DReadOptions); the
    // other kinds have none.
    C3DAnalog* analog = nullptr;
    AnalogSink* analogFrames = nullptr;
    std::vector<ForcePlatform>* platforms = nullptr;
};

// Reads the marker take at `path` (UTF-8, opened as given) of `kind` (TRC,
// C3D or GWM) into `into`; the empty string on success, otherwise the
// reader's message for the user.
std::wstring ReadMarkers(const std::string& path, FileKind kind, TRCFile& into,
                         const MarkerReadOptions& options = {});
// ReadMarkers of a file held in memory, `bytes` as the file holds them.
std::wstring ReadMarkersMemory(std::string_view bytes, FileKind kind, TRCFile& into,
                               const MarkerReadOptions& options = {});
// The frames the marker take at `path` of `kind` holds, whatever its header
// claims, when they are known only by reading it (a TRC file's data rows,
// counted without reading their fields); none for a kind whose reader
// gives the frames held as the take's frame count, for what is no regular
// file (a FIFO could be read only once), and for a file the reader refuses.
std::optional<std::int64_t> MarkerRowsHeld(const std::string& path, FileKind kind);

// Hands `take`, its rows kept in its markers, to `sink` as a read of it
// would: Begin with its header (no samples), then each row.
void StreamMarkerRows(const TRCFile& take, TRCRowSink& sink);

// Writes `take` (its rows kept in its markers) as a file of `kind` (TRC,
// C3D, GWM or CSV) at `path`, whole or not at all; the writer's message,
// empty on success. A GWM file gets every included marker and no offset.
std::wstring WriteMarkers(const std::wstring& path, FileKind kind, const TRCFile& take);
// Writes `skeleton` as a file of `kind` (HTR or BVH) at `path`, whole or not
// at all; the writer's message, empty on success, with the system's error
// number in `ioError` where the writer gives one, and what a BVH file could
// not hold in `notes`.
std::wstring WriteSkeleton(const std::wstring& path, FileKind kind, const HTRFile& skeleton,
                           int* ioError = nullptr, BVHWriteNotes* notes = nullptr);

// The warnings (IsWarning) a read of the take at `path` of `kind` finds,
// without keeping a row: what a conversion asked to treat warnings as
// failures looks at before it writes anything.
std::vector<ReadFinding> WarningsOf(const std::string& path, FileKind kind);

// Reads the skeletal take at `path` of `kind` (HTR or BVH) into `into`; the
// empty string on success, otherwise the reader's message.
std::wstring ReadSkeleton(const std::string& path, FileKind kind, HTRFile& into,
                          ReadObserver* findings = nullptr);
// ReadSkeleton of a file held in memory.
std::wstring ReadSkeletonMemory(std::string_view bytes, FileKind kind, HTRFile& into,
                                ReadObserver* findings = nullptr);

}  // namespace tovfileio
