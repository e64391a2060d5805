// GWM marker files: the marker file format of the host's Gaitwork
// character-animation add-on, written from a TRC file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tovfileio/trc/TRCFile.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

// SOURCE_DATE_EPOCH, the moment output made to be reproduced byte for byte
// is dated at: whole seconds since 1970, up to the end of the year 9999
// (the last a GWM date line can show).
struct SourceDateEpoch {
    bool set = false;      // set and not empty
    bool usable = false;   // set, and such a number
    std::int64_t seconds = 0;
    std::string text;      // as set
};
SourceDateEpoch ReadSourceDateEpoch();

// The local time as the 24 characters GWM files and the batch log carry,
// for example "Fri Dec 11 08:57:52 2026"; a usable SOURCE_DATE_EPOCH's
// moment (in UTC) instead.
std::string GWMDateTimeText();

// The file name of `path` without its folder and extension.
std::wstring GWMBaseName(const std::wstring& path);

// Whether the frames of `trc`, numbered on from its start frame for its
// header's count, all have a GWM frame number (FrameNumbersFit); a GWM
// file of frames that do not is refused, with these words, never numbered
// round.
bool GWMFramesNumbered(const TRCFile& trc);
inline constexpr wchar_t kGwmFramesUnnumbered[] =
    L"The frames run past the frame numbers a GWM file holds (-2147483648 to 2147483647)";

// Writes one GWM file as a TRC file is read: the header once the TRC
// header and markers are known, a row for each data row that comes (up to
// the header's frame count), then dropout rows for the frames the file did
// not hold. Coordinates are turned from Y-up to Z-up with the settings'
// offset; only the markers included at Begin are written.
class GWMStream {
public:
    GWMStream(TextOutput& file, const ConvertGWMSettings& settings)
        : file_(file), settings_(settings) {}

    // Pieces 1 to 12 of the file: comments, `baseName`, `dateTime`, the
    // frame and marker counts and rates, the marker order.
    void Begin(const TRCFile& trc, const std::wstring& baseName, const std::string& dateTime);
    // The next frame's row: `row[m]` belongs to marker m of the TRC file.
    void Row(const TRCRow& row);
    // Rows of dropouts for the frames no row came for.
    void Finish();

    // Frames the header gives, and rows that have come.
    std::int64_t Frames() const { return frames_; }
    std::uint64_t RowsSeen() const { return rows_; }
    std::uint32_t MarkersWritten() const { return static_cast<std::uint32_t>(included_.size()); }

private:
    void RowStart(std::int64_t index);
    // Makes room for `bytes` more in the buffer.
    void Room(std::size_t bytes);
    void Text(std::string_view text);
    void Int(long long value);
    void Coordinate(double value);
    void FlushText();

    TextOutput& file_;
    const ConvertGWMSettings& settings_;
    std::vector<std::uint32_t> included_;
    std::int32_t first_ = 1;
    std::int64_t frames_ = 0;
    std::uint64_t rows_ = 0;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

// Writes `trc` as a GWM file at `path`: the included markers in file order,
// rows for the header's frame count, coordinates turned from Y-up to Z-up
// with the settings' offset. False when the file cannot be created or
// written whole, or its frames are not GWMFramesNumbered; a GWM file is there whole or not at all, and a failed write
// leaves an older file at `path` as it was.
bool WriteGWMFile(const std::wstring& path, const TRCFile& trc,
                  const ConvertGWMSettings& settings);

}  // namespace tovfileio
