// Marker positions as CSV, one line for each frame and marker, for
// spreadsheets and data tools:
//   frame,time_s,name,x_mm,y_mm,z_mm
//   1,0,LFHD,130.25086,1426.82466,325.6654
// UTF-8, lines ended by a bare line feed. The coordinates' columns name
// the take's units ("x_m" for metres; plain "x" where the take states
// none). Frames are numbered and timed as the take numbers its rows (a TRC
// file's own Frame# and Time; the start frame at time 0 for others), the
// time in seconds (0 for a rate that is not above 0); names are quoted as RFC 4180
// quotes them when they hold a comma, a double quote, a line feed or a
// carriage return (a quote doubled inside). Numbers are plain decimals with
// the fewest digits that read back as the same double. A dropout, and a
// coordinate that is not finite, leaves x, y and z empty.
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

// The CSV text of a marker name: as it is, or quoted when it must be.
std::string MarkerCsvField(const std::wstring& name);

// Writes marker CSV as rows come, like TRCStream: the header line at
// Begin, the lines of each row that comes (up to the model's frame count),
// dropout lines for the frames no row came for at Finish. Only the markers
// included at Begin are written.
class MarkerCsvStream {
public:
    explicit MarkerCsvStream(TextOutput& file);
    ~MarkerCsvStream();
    MarkerCsvStream(const MarkerCsvStream&) = delete;
    MarkerCsvStream& operator=(const MarkerCsvStream&) = delete;

    // Values of single precision (a C3D file's) are written with the fewest
    // digits that give the same float back, not the same double. Before Begin.
    void SetSinglePrecision(bool singles);
    // Each line ends in a "filled" field, 1 for a sample gap filling put
    // there and 0 for one seen (empty for a dropout). Before Begin.
    void SetFilledColumn(bool filled) { filledColumn_ = filled; }
    void Begin(const TRCFile& trc);
    void Row(const TRCRow& row);
    void Finish();

    std::int64_t Frames() const { return frames_; }
    std::uint64_t RowsSeen() const { return rows_; }

private:
    // "frame,time," of the row at `index`, into `prefix_`.
    void RowPrefix(std::int64_t index);

    std::unique_ptr<markertext::TextBuffer> text_;
    std::vector<std::uint32_t> included_;
    std::vector<std::string> names_;  // the CSV field of each included marker
    std::string prefix_;
    RowNumbering numbering_;  // the rows' own frame numbers and times
    std::int32_t rate_ = 0;
    std::int64_t frames_ = 0;
    std::uint64_t rows_ = 0;
    bool filledColumn_ = false;
};

// Writes the samples of `trc` as marker CSV at `path`: "" on success,
// otherwise the message for the user (those of TRCWriter.h). The file is
// there whole or not at all.
std::wstring WriteMarkerCsvFile(const std::wstring& path, const TRCFile& trc);

}  // namespace tovfileio
