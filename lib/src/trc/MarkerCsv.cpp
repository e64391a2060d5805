#include "tovfileio/trc/MarkerCsv.h"

#include <algorithm>

#include "MarkerText.h"
#include "tovfileio/text/FrameCounts.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/trc/TRCWriter.h"

namespace tovfileio {

std::string MarkerCsvField(const std::wstring& name) {
    std::string bytes = EncodeUtf8(name);
    if (bytes.find_first_of(",\"\n\r") == std::string::npos) return bytes;
    std::string quoted = "\"";
    for (const char c : bytes) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

MarkerCsvStream::MarkerCsvStream(TextOutput& file)
    : text_(std::make_unique<markertext::TextBuffer>(file)) {}
MarkerCsvStream::~MarkerCsvStream() = default;

void MarkerCsvStream::Begin(const TRCFile& trc) {
    text_->Start();
    included_.clear();
    names_.clear();
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        if (!trc.GetMarker(i)->IsIncluded()) continue;
        included_.push_back(i);
        names_.push_back(MarkerCsvField(trc.GetMarker(i)->GetName()) + ",");
    }
    numbering_ = trc.GetRowNumbering();
    rate_ = trc.GetDataRate();
    frames_ = std::max(trc.GetNumFrames(), 0);
    rows_ = 0;
    const std::string units = CalibrationUnitsKeyword(trc.GetUnits());
    const std::string unit = units.empty() ? "" : "_" + units;
    text_->Text("frame,time_s,name,x" + unit + ",y" + unit + ",z" + unit + (filledColumn_ ? ",filled\n" : "\n"));
}

void MarkerCsvStream::RowPrefix(std::int64_t index) {
    // Frame number and time are the same on every line of the row: made
    // once, copied to each.
    char text[24 + markertext::kCoordinateRoom + 2];
    char* at = std::to_chars(text, text + 24, numbering_.firstFrame + index).ptr;
    *at++ = ',';
    const double seconds =
        rate_ > 0 ? (static_cast<double>(index) + numbering_.firstPeriods) / rate_ : 0.0;
    at = std::to_chars(at, at + markertext::kCoordinateRoom, seconds, std::chars_format::fixed).ptr;
    *at++ = ',';
    prefix_.assign(text, at);
}

void MarkerCsvStream::Row(const TRCRow& row) {
    markertext::TextBuffer& out = *text_;
    const auto index = static_cast<std::int64_t>(rows_++);
    if (index >= frames_ || out.Failed()) return;
    RowPrefix(index);
    for (std::size_t i = 0; i < included_.size(); ++i) {
        const TRCSample& sample = row[included_[i]];
        out.Room(prefix_.size() + names_[i].size() + 3 * (markertext::kCoordinateRoom + 1) + 3);
        out.Put(prefix_);
        out.Put(names_[i]);
        if (!markertext::Writable(sample)) {
            out.Put(filledColumn_ ? ",,,\n" : ",,\n");
            continue;
        }
        out.Coordinate(sample.x);
        out.Put(',');
        out.Coordinate(sample.y);
        out.Put(',');
        out.Coordinate(sample.z);
        if (filledColumn_) out.Put(sample.filled ? ",1" : ",0");
        out.Put('\n');
    }
}

void MarkerCsvStream::Finish() {
    markertext::TextBuffer& out = *text_;
    for (auto index = static_cast<std::int64_t>(rows_); index < frames_ && !out.Failed(); ++index) {
        RowPrefix(index);
        for (const std::string& name : names_) {
            out.Text(prefix_);
            out.Text(name);
            out.Text(",,\n");
        }
    }
    out.Flush();
}

std::wstring WriteMarkerCsvFile(const std::wstring& path, const TRCFile& trc) {
    if (!FrameNumbersFit(trc.GetStartFrame(), trc.GetNumFrames()) ||
        !FrameNumbersFit(trc.GetRowNumbering().firstFrame, trc.GetNumFrames())) {
        return kTrcFramesUnnumbered;
    }
    int error = 0;
    const std::unique_ptr<TextOutput> file = TextFiles().CreateOutput(path, error);
    if (!file) return kMarkerFileNotCreated;
    MarkerCsvStream stream(*file);
    stream.Begin(trc);
    markertext::ForEachStoredRow(trc, [&](const TRCRow& row) { stream.Row(row); });
    stream.Finish();
    return file->Commit() ? std::wstring() : kMarkerFileNotWritten;
}

void MarkerCsvStream::SetSinglePrecision(bool singles) { text_->SetSinglePrecision(singles); }

}  // namespace tovfileio
