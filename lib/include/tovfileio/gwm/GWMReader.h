// GWM marker files read back into the marker model: the files GWMStream
// writes (see GWMWriter.h for their layout).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tovfileio/math/UpAxisTurn.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// The axis GWM positions stand up along: Z (x 0, y 1, z 2). A GWM file
// holds a TRC file's Y-up position (x, y, z) as (x, -z, y), offset aside;
// the reader keeps the positions as the file holds them, Z-up.
inline constexpr int kGwmUpAxis = 2;

// A position read from a GWM file turned back to the Y-up axes of a TRC
// file: (x, y, z) becomes (x, z, -y). Dropouts stay dropouts.
constexpr TRCSample GWMSampleToYUp(const TRCSample& gwm) {
    if (!gwm.valid) return gwm;
    const auto [x, y, z] = ZUpToYUp(gwm.x, gwm.y, gwm.z);
    return TRCSample{true, false, x, y, z};
}

struct GWMReadOptions {
    ReadObserver* findings = nullptr;  // told of a refusal (kGwmRefused, kCannotOpen, ...)
    TRCRowSink* rows = nullptr;        // null: every row is kept in the markers
    // The memory the samples kept in the markers may take, in bytes; a file
    // that would need more is refused. 0: no limit but the process's.
    std::uint64_t memoryLimit = 0;
};

// Reads the GWM file at `utf8Path` into `into` (reset first): the markers
// of "$Order" with one sample per frame, "$Rate" as the data rate,
// "$CaptureRate" as the camera rate, "$FirstFrame" as the start frame and
// "$NumFrames" as the frame count. "DROPOUT" reads as a dropout. A GWM file
// states no units: the model keeps millimetres, the unit of the TRC files
// GWM files are mostly made from; a caller that knows better sets them.
//
// The file must have the layout the writer gives it: "$" keywords each on
// a line of their own before "$Points" (comments, "$Filename", "$DateTime"
// and keywords the reader does not know are passed over), the names of
// "$Order" on the line after it separated by single blanks, and after
// "$Points" one row for each frame numbered on from the first frame: the
// frame number, then for each marker three numbers or "DROPOUT", each
// followed by a tab. Empty lines between rows are passed over. Anything
// else refuses the file with a message naming the line and column. The
// "$Order" line is split at blanks, so a name holding a blank reads back
// only in a file of one marker.
//
// Returns the empty string on success, otherwise the message for the user.
std::wstring ReadGWMFile(std::string_view utf8Path, TRCFile& into,
                         const GWMReadOptions& options = {});
// Reads GWM text held in memory, `bytes` as a file would hold them.
std::wstring ReadGWMMemory(std::string_view bytes, TRCFile& into,
                           const GWMReadOptions& options = {});
// Reads from lines already open on a file, on memory or on a stream.
std::wstring ReadGWMLines(TextLines& source, TRCFile& into, const GWMReadOptions& options = {});

}  // namespace tovfileio
