// The in-memory form of one TRC file: the header values and every marker
// with one sample per data row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCMarker.h"

namespace tovfileio {

class TRCFile;

// How a take numbers and times its rows: row `index` is frame
// `firstFrame + index` at (index + firstPeriods) / rate seconds. A TRC file
// states both in its first row's Frame# and Time fields (which need not
// agree with its header's start frame, nor start at time 0); for other
// files the rows are numbered from the start frame, the first at time 0.
struct RowNumbering {
    std::int64_t firstFrame = 1;
    // The first row's time in frame periods: whole where the file's times
    // are frames over the rate, as nearly all are.
    double firstPeriods = 0.0;
};

// One data row as the reader hands it to a row sink: where every marker of
// the file stands in it. A row may end before the columns of the last
// markers (trailing fields trimmed): the markers past its end all read the
// same sample, the row's last field again as x, y and z, or a dropout when
// the row ends in a tab. So a row holds the samples read from its own
// columns and the one sample of every marker after them, and a trimmed row
// costs what its fields cost, however many markers the file names.
class TRCRow {
public:
    TRCRow(std::span<const TRCSample> held, const TRCSample& rest, std::size_t markers)
        : held_(held), rest_(rest), markers_(markers) {}

    // The markers of the file.
    std::size_t size() const { return markers_; }
    // Where marker `m`, below size(), stands.
    const TRCSample& operator[](std::size_t m) const { return m < held_.size() ? held_[m] : rest_; }
    // Markers 0 up to Held().size(), read from the row's own columns.
    std::span<const TRCSample> Held() const { return held_; }
    // Where every marker from Held().size() on stands.
    const TRCSample& Rest() const { return rest_; }

private:
    std::span<const TRCSample> held_;
    TRCSample rest_;
    std::size_t markers_;
};

// Where the data rows of a read go when they are not kept in the markers:
// a conversion or a summary takes each row as it comes, so memory does not
// grow with the rows of the file.
class TRCRowSink {
public:
    virtual ~TRCRowSink() = default;
    // The header values and the markers are read, and so is the start frame
    // (which a path-file type 3 file takes from its first row): called once,
    // before the first row, or at the end of a file without rows, unless the
    // file was refused. `file` holds no samples. False stops the read.
    virtual bool Begin(const TRCFile& file) {
        static_cast<void>(file);
        return true;
    }
    // One data row: `row[m]` is where marker m of the file stands in it.
    // False stops the read.
    virtual bool Row(const TRCRow& row) = 0;
};

struct TRCReadOptions {
    ReadObserver* findings = nullptr;  // told what the reader finds
    TRCRowSink* rows = nullptr;        // null: every row is kept in the markers
    // A sample any of whose fields says "NaN" (any letter case, signed or
    // not) is a dropout. Off, such a field reads as 0 like any other text,
    // as the host's import reads it.
    bool nanIsDropout = false;
    // The rows are counted (GetNumRows) and their fields not read: the sink
    // hears Begin and no row. For callers that must know a take's length
    // before they stream it.
    bool countRowsOnly = false;
};

class TRCFile {
public:
    TRCFile() = default;

    // Units mm, data rate 60, frame count 0, start frame 1, no markers and no
    // rows. The camera rate keeps its value.
    void Reset();

    // Reads the TRC file at `path` into this model; returns the empty string
    // on success, otherwise the message for the user. `path` is opened as it
    // is given, as UTF-8.
    std::wstring ReadFile(std::string_view path, const TRCReadOptions& options = {});
    // Reads TRC text held in memory, `bytes` as a file would hold them.
    std::wstring ReadMemory(std::string_view bytes, const TRCReadOptions& options = {});
    // ReadFile for a path in the host's wide form.
    std::wstring Read(const std::wstring& path);
    std::wstring Read(const std::wstring& path, const TRCReadOptions& options);
    // Reads from a reader already open on a file, on memory or on a stream.
    std::wstring Read(TextLines& source, const TRCReadOptions& options = {});

    // The memory the samples of a read may take, in bytes; a file that would
    // need more is refused with the out-of-memory message. 0, the default,
    // means the memory the process may have: the machine's physical memory,
    // or the process's address-space or data-size limit when lower. Every
    // file the process can hold is read.
    void SetMemoryLimit(std::uint64_t bytes) { memoryLimit_ = bytes; }

    std::uint32_t GetNumMarkers() const { return static_cast<std::uint32_t>(markers_.size()); }
    // The marker at `index`, or null beyond the markers. Markers never move:
    // the pointer stays valid until Reset or the next read.
    TRCMarker* GetMarker(std::uint32_t index);
    const TRCMarker* GetMarker(std::uint32_t index) const;
    // Appends a copy of `marker` unless a marker of exactly that name is
    // there; returns the stored copy, or null when the name was taken.
    TRCMarker* AddMarker(const TRCMarker& marker);

    // Moves every marker out, in order, and leaves the file with none: for
    // a reader of the markers that lets each go once it has taken it.
    std::deque<TRCMarker> TakeMarkers() { return std::exchange(markers_, {}); }

    // Removes marker i where `drop[i]` is true (markers past the end of
    // `drop` stay); pointers to markers are not valid after.
    void RemoveMarkers(std::span<const bool> drop);

    // Converts every coordinate to `units` and makes them the file's units.
    void ConvertUnits(CalibrationUnits units);
    // Multiplies every coordinate by `factor`; the units stay.
    void Scale(double factor);

    CalibrationUnits GetUnits() const { return units_; }
    std::int32_t GetDataRate() const { return dataRate_; }
    // For readers of other formats that fill the model: the header values
    // as their files give them.
    void SetUnits(CalibrationUnits units) { units_ = units; }
    // Whether the file named its units; false when its unit field was
    // missing or named no unit, and GetUnits is the millimetres assumed.
    bool UnitsStated() const { return unitsStated_; }
    void SetUnitsStated(bool stated) { unitsStated_ = stated; }
    void SetDataRate(std::int32_t rate) { dataRate_ = rate; }
    void SetCameraRate(std::int32_t rate) { cameraRate_ = rate; }
    void SetStartFrame(std::int32_t frame) { startFrame_ = frame; }
    // The data rows taken in, when a reader of another format counts them.
    void SetNumRows(std::uint32_t rows) { rows_ = rows; }
    // The camera rate of the last file that stated one; 60 before any did.
    std::int32_t GetCameraRate() const { return cameraRate_; }
    // The frame count the header states; rows are never compared with it.
    std::int32_t GetNumFrames() const { return numFrames_; }
    // Sets the frame count writers follow (a GWM file has this many rows).
    void SetNumFrames(std::int32_t frames) { numFrames_ = frames; }
    std::int32_t GetStartFrame() const { return startFrame_; }
    // The rows' own numbers and times: as the file's first row states them,
    // else from the start frame at time 0.
    RowNumbering GetRowNumbering() const;
    // Whether the rows' numbers and times are the file's own (its first row
    // states both), not taken from the start frame.
    bool RowNumberingStated() const { return rowNumbering_.has_value(); }
    // The rows' numbers and times as a file states them; Reset forgets them.
    void SetRowNumbering(const RowNumbering& numbering) { rowNumbering_ = numbering; }
    // The frame number and time, in seconds (0 for a rate not above 0), of
    // row `index` as GetRowNumbering numbers it.
    std::int64_t RowFrame(std::int64_t index) const { return GetRowNumbering().firstFrame + index; }
    double RowSeconds(std::int64_t index) const;
    // Data rows the last read took in; every marker has one sample for each
    // unless the rows went to a sink.
    std::uint32_t GetNumRows() const { return rows_; }

private:
    friend class TRCReader;
    friend class TRCStoredRows;
    friend class C3DMarkers;  // adds the markers of a C3D file, named apart already
    template <typename Char, bool kChecked>
    friend class TRCLineReader;

    std::deque<TRCMarker> markers_;
    CalibrationUnits units_ = kUnitsMillimetres;
    bool unitsStated_ = true;
    std::int32_t dataRate_ = 60;
    std::int32_t cameraRate_ = 60;
    std::int32_t numFrames_ = 0;
    std::int32_t startFrame_ = 1;
    std::optional<RowNumbering> rowNumbering_;
    std::uint32_t rows_ = 0;
    std::uint64_t memoryLimit_ = 0;
};

}  // namespace tovfileio
