// TRC files written from the marker model: path-file type 4, the header of
// the model, one row for every frame its header claims.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

namespace markertext {
class TextBuffer;
}

// Writes one TRC file as rows come: the header once the model's header
// values and markers are known, a row for each data row that comes (up to
// the header's frame count), then dropout rows for the frames no row came
// for. Only the markers included at Begin are written.
//
// The layout the TRC reader reads back without a finding:
//   line 1  PathFileType, 4, (X/Y/Z), the file name
//   line 2  DataRate ... OrigNumFrames
//   line 3  data rate, camera rate, frames, markers, units keyword, data
//           rate, start frame, frames
//   line 4  Frame#, Time, then each name followed by two empty fields,
//           every field ended by a tab
//   line 5  two empty fields, then X1 Y1 Z1 X2 ...
//   line 6  empty (left out when there is no row)
//   rows    frame number (from the start frame), time, x y z per marker
// Times are the frame's index over the data rate with five decimals (0 for
// a rate that is not above 0). Coordinates are written in plain decimals
// with the fewest digits that read back as the same double, so a read gives
// exactly the values written (and a float's value widened to double stays
// that float's). A dropout, and a coordinate that is not finite, is three
// empty fields. A control character in a name (tab, line feed) would split
// its line and is written as "_".
class TRCStream {
public:
    explicit TRCStream(TextOutput& file);
    ~TRCStream();
    TRCStream(const TRCStream&) = delete;
    TRCStream& operator=(const TRCStream&) = delete;

    // Lines 1 to 6; `fileName` is named on line 1.
    // Values of single precision (a C3D file's) are written with the fewest
    // digits that give the same float back, not the same double. Before Begin.
    void SetSinglePrecision(bool singles);
    void Begin(const TRCFile& trc, const std::wstring& fileName);
    // The next frame's row: `row[m]` belongs to marker m of the model.
    void Row(const TRCRow& row);
    // Rows of dropouts for the frames no row came for, and the last bytes.
    void Finish();

    std::int64_t Frames() const { return frames_; }
    std::uint64_t RowsSeen() const { return rows_; }
    std::uint32_t MarkersWritten() const { return static_cast<std::uint32_t>(included_.size()); }

private:
    void RowStart(std::int64_t index);

    std::unique_ptr<markertext::TextBuffer> text_;
    std::vector<std::uint32_t> included_;
    std::int32_t first_ = 1;  // the header's start frame
    std::int32_t rate_ = 0;
    RowNumbering numbering_;  // the rows' own frame numbers and times
    std::int64_t frames_ = 0;
    std::uint64_t rows_ = 0;
};

// Writes `trc` as a TRC file at `path` through TRCStream, the samples the
// markers hold as rows. Returns the empty string on success, otherwise the
// message for the user; the file is there whole or not at all, and a failed
// write leaves an older file at `path` as it was.
std::wstring WriteTRCFile(const std::wstring& path, const TRCFile& trc);

// The messages WriteTRCFile and WriteMarkerCsvFile return.
inline constexpr wchar_t kTrcFramesUnnumbered[] =
    L"The frames run past the frame numbers a file holds (-2147483648 to 2147483647)";
inline constexpr wchar_t kMarkerFileNotCreated[] = L"The file could not be created";
inline constexpr wchar_t kMarkerFileNotWritten[] = L"The file could not be written whole";

}  // namespace tovfileio
