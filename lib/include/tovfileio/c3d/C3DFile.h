// C3D files, the binary files optical capture systems record: read into the
// marker model of TRC files (TRCFile), and written from it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/c3d/C3DAnalog.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// What the C3D reader says of a file it refuses, besides kFileNotOpened.
inline constexpr wchar_t kC3dNotC3d[] = L"The file is not a C3D file";
// Followed by what is damaged, as the kC3dDamaged finding words it.
inline constexpr wchar_t kC3dDamaged[] = L"The C3D file is damaged: ";
inline constexpr wchar_t kC3dOutOfMemory[] = L"There is not enough memory to read the file";

struct C3DReadOptions {
    ReadObserver* findings = nullptr;  // told what the reader finds
    TRCRowSink* rows = nullptr;        // null: every frame is kept in the markers
    // The memory the kept samples (points and analog) may take, in bytes;
    // 0: what the process may have. A file that needs more is refused.
    std::uint64_t memoryLimit = 0;
    // Set: the analog channels are read into it, their samples too unless
    // `analogFrames` takes them.
    C3DAnalog* analog = nullptr;
    // Set with `analog`: told the analog samples frame by frame, in bounded
    // memory, instead of their being kept in C3DAnalog::samples.
    AnalogSink* analogFrames = nullptr;
    // Set: the force platforms of FORCE_PLATFORM are read into it.
    std::vector<ForcePlatform>* platforms = nullptr;
};

// Reads the C3D file at `path` (UTF-8) into `into`: one marker per point,
// one row per frame. The empty string on success, otherwise the message for
// the user. The frames are read a piece at a time, so a file whose rows go
// to a sink is read in bounded memory, whatever its size.
//
// Markers are named by POINT:LABELS (and LABELS2, LABELS3, ...), trailing
// blanks trimmed; a point without a label, or with a label an earlier point
// has, is named "Point<N>" (N its place from 1) or "<label>_<K>" (K from 2)
// instead. Samples whose residual is negative are dropouts. The analog
// values between a frame's points and the next frame's are ANALOG:USED
// channels of ANALOG:RATE / POINT:RATE samples (or the header's samples a
// frame), or the header's count where only that fits the data section's
// size (kC3dAnalogValues says where the two differ). They are read when
// options.analog asks (channels named as markers are, "Analog<N>" for one
// without a label), skipped (kC3dAnalogSkipped) else; read, they are read
// for every frame the data section holds, in a file without points too.
//
// The take's frames (its NumFrames, set before the first row goes to a
// sink) are those the data section holds whole, up to the count the file
// gives: fewer than that count are told by kC3dFramesMissing, more are
// taken for padding. A parameter record whose dimensions ask for more
// values than it holds gives the values it holds (kC3dParameterShort).
std::wstring ReadC3DFile(std::string_view utf8Path, TRCFile& into,
                         const C3DReadOptions& options = {});
// Reads a C3D file held in memory, `bytes` as the file holds them.
std::wstring ReadC3DMemory(std::string_view bytes, TRCFile& into,
                           const C3DReadOptions& options = {});

// Writes one C3D file (Intel floating point, POINT:SCALE -1) as its rows
// come: the header and parameters once the markers are known, a frame for
// each row that comes (up to the frame count), then dropout frames for the
// frames no row came for. Analog channels and force platforms are written
// when SetAnalog gives them: each frame's analog samples come with its row,
// written as floats. Frame counts past 65,535
// are carried by TRIAL:ACTUAL_START_FIELD and ACTUAL_END_FIELD and by a
// floating-point POINT:FRAMES; the header's 16-bit frame words are capped.
class C3DStream {
public:
    explicit C3DStream(TextOutput& file) : file_(file) {}

    // The header and the parameter section for the markers of `trc`, its
    // rate, units and start frame, and `frames` frames (negative: the
    // file's frame count, or its rows when it gives none). False, with
    // nothing written, when the file cannot hold them: more than 65,535
    // markers, or labels past the 255 blocks of a parameter section;
    // Refusal says which.
    bool Begin(const TRCFile& trc, std::int64_t frames = -1);
    // Why Begin refused: kC3dTooManyMarkers when the markers alone are
    // more than a file holds, else kC3dTooManyChannels.
    const wchar_t* Refusal() const { return refusal_; }
    // Before Begin: the analog channels to write (their labels, units and
    // rate; not their samples, which come with the rows) and the force
    // platforms. Channels of no samples a frame are not written; of the
    // platforms, the first 222 (the most a parameter record holds the
    // calibrations of).
    void SetAnalog(const C3DAnalog& analog, const std::vector<ForcePlatform>& platforms);
    // The next frame: `row[m]` belongs to marker m; `analog` holds the
    // frame's analog samples, sample-major as AnalogFrame's (0 for any it
    // lacks).
    void Row(const TRCRow& row, std::span<const double> analog = {});
    // Dropout frames for the frames no row came for, their analog samples
    // 0; the file ends on a whole block.
    void Finish();

    std::int64_t Frames() const { return frames_; }
    std::uint64_t RowsSeen() const { return rows_; }

private:
    void Flush();
    std::size_t FrameBytes() const;

    TextOutput& file_;
    C3DAnalog analog_;  // the channels written, without samples
    std::vector<ForcePlatform> platforms_;
    std::size_t analogValues_ = 0;  // analog values a frame
    std::uint32_t markers_ = 0;
    std::int64_t frames_ = 0;
    std::uint64_t rows_ = 0;
    std::uint64_t written_ = 0;  // bytes given to the file so far
    std::vector<char> buffer_;
    const wchar_t* refusal_ = nullptr;
};

// What WriteC3DFile says of markers a C3D file cannot hold.
inline constexpr wchar_t kC3dTooManyMarkers[] =
    L"A C3D file cannot hold this many markers (at most 65,535, their names in 127 KB)";
// What C3DStream says of analog channels and force platforms whose
// parameters, beside the markers', pass what a C3D file holds.
inline constexpr wchar_t kC3dTooManyChannels[] =
    L"A C3D file cannot hold this many analog channels and force platforms beside its markers "
    L"(their names and parameters in 127 KB)";

// Writes `markers` as a C3D file at `path`: every marker, a frame for each
// of its frames (the frame count, or the rows when it gives none). The empty
// string on success, otherwise the message for the user; the file is there
// whole or not at all, and a failed write leaves an older file as it was.
std::wstring WriteC3DFile(const std::wstring& path, const TRCFile& markers);

}  // namespace tovfileio
