#include "tovfileio/trc/TRCWriter.h"

#include <algorithm>

#include "MarkerText.h"
#include "tovfileio/text/FixedNumber.h"
#include "tovfileio/text/FrameCounts.h"
#include "tovfileio/text/TextCodec.h"

namespace tovfileio {

namespace {

// `text` as UTF-8 with every C0 control character written as "_": a tab
// would move the fields after it, a line feed would start another line.
std::string LineSafe(const std::wstring& text) {
    std::string bytes = EncodeUtf8(text);
    for (char& c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    return bytes;
}

// The file name of `path` without its folder.
std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

TRCStream::TRCStream(TextOutput& file) : text_(std::make_unique<markertext::TextBuffer>(file)) {}
TRCStream::~TRCStream() = default;

void TRCStream::Begin(const TRCFile& trc, const std::wstring& fileName) {
    markertext::TextBuffer& out = *text_;
    out.Start();
    included_.clear();
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        if (trc.GetMarker(i)->IsIncluded()) included_.push_back(i);
    }
    first_ = trc.GetStartFrame();
    rate_ = trc.GetDataRate();
    numbering_ = trc.GetRowNumbering();
    frames_ = std::max(trc.GetNumFrames(), 0);
    rows_ = 0;
    const std::string units = CalibrationUnitsKeyword(trc.GetUnits());
    out.Text("PathFileType\t4\t(X/Y/Z)\t");
    out.Text(LineSafe(fileName));
    out.Text("\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
             "OrigDataStartFrame\tOrigNumFrames\n");
    for (const long long value :
         {static_cast<long long>(rate_), static_cast<long long>(trc.GetCameraRate()),
          static_cast<long long>(frames_), static_cast<long long>(included_.size())}) {
        out.Int(value);
        out.Text("\t");
    }
    out.Text(units.empty() ? "mm" : units);
    out.Text("\t");
    out.Int(rate_);
    out.Text("\t");
    out.Int(first_);
    out.Text("\t");
    out.Int(frames_);
    // A field is read as a name only with a tab after it: "Time" ends in
    // one, so it is no name, and every name is followed by its y and z
    // columns' empty fields and a tab.
    out.Text("\nFrame#\tTime\t");
    for (const std::uint32_t m : included_) {
        out.Text(LineSafe(trc.GetMarker(m)->GetName()));
        out.Text("\t\t\t");
    }
    out.Text("\n\t");
    for (std::size_t i = 1; i <= included_.size(); ++i) {
        for (const char* axis : {"\tX", "\tY", "\tZ"}) {
            out.Text(axis);
            out.Int(static_cast<long long>(i));
        }
    }
    out.Text("\n");
    // The blank line before the rows; without rows it would read as one.
    if (frames_ > 0) out.Text("\n");
}

void TRCStream::RowStart(std::int64_t index) {
    markertext::TextBuffer& out = *text_;
    out.Int(numbering_.firstFrame + index);
    out.Room(tovtext::kFixedRoom + 1);
    out.Put('\t');
    char time[tovtext::kFixedRoom];
    const double seconds =
        rate_ > 0 ? (static_cast<double>(index) + numbering_.firstPeriods) / rate_ : 0.0;
    out.Put(std::string_view(time, static_cast<std::size_t>(tovtext::WriteFixed(time, seconds, 5) - time)));
}

void TRCStream::Row(const TRCRow& row) {
    markertext::TextBuffer& out = *text_;
    const auto index = static_cast<std::int64_t>(rows_++);
    // Rows beyond the header's frame count are not written; once the file
    // has stopped taking bytes, nothing more is formatted.
    if (index >= frames_ || out.Failed()) return;
    RowStart(index);
    for (std::size_t from = 0; from < included_.size(); from += markertext::kMarkersPerRoom) {
        const std::size_t to = std::min(included_.size(), from + markertext::kMarkersPerRoom);
        out.Room((to - from) * 3 * (markertext::kCoordinateRoom + 1));
        for (std::size_t i = from; i < to; ++i) {
            const TRCSample& sample = row[included_[i]];
            if (!markertext::Writable(sample)) {
                out.Put("\t\t\t");
                continue;
            }
            for (const double value : {sample.x, sample.y, sample.z}) {
                out.Put('\t');
                out.Coordinate(value);
            }
        }
    }
    out.Room(1);
    out.Put('\n');
}

void TRCStream::Finish() {
    markertext::TextBuffer& out = *text_;
    for (auto index = static_cast<std::int64_t>(rows_); index < frames_ && !out.Failed(); ++index) {
        RowStart(index);
        for (std::size_t m = 0; m < included_.size(); ++m) out.Text("\t\t\t");
        out.Text("\n");
    }
    out.Flush();
}

std::wstring WriteTRCFile(const std::wstring& path, const TRCFile& trc) {
    if (!FrameNumbersFit(trc.GetStartFrame(), trc.GetNumFrames()) ||
        !FrameNumbersFit(trc.GetRowNumbering().firstFrame, trc.GetNumFrames())) {
        return kTrcFramesUnnumbered;
    }
    int error = 0;
    const std::unique_ptr<TextOutput> file = TextFiles().CreateOutput(path, error);
    if (!file) return kMarkerFileNotCreated;
    TRCStream stream(*file);
    stream.Begin(trc, FileNameOf(path));
    markertext::ForEachStoredRow(trc, [&](const TRCRow& row) { stream.Row(row); });
    stream.Finish();
    return file->Commit() ? std::wstring() : kMarkerFileNotWritten;
}

void TRCStream::SetSinglePrecision(bool singles) { text_->SetSinglePrecision(singles); }

}  // namespace tovfileio
