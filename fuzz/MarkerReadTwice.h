// ReadTwice for the readers of marker files (TRC, C3D, GWM): the read from
// memory hands its rows on one at a time, and each must be the row the read
// from the file kept, bit for bit.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/ReadTwice.h"
#include "tovfileio/trc/TRCFile.h"

namespace fuzzread {

inline bool SameSample(const tovfileio::TRCSample& a, const tovfileio::TRCSample& b) {
    return a.valid == b.valid && std::memcmp(&a.x, &b.x, sizeof a.x) == 0 &&
           std::memcmp(&a.y, &b.y, sizeof a.y) == 0 && std::memcmp(&a.z, &b.z, sizeof a.z) == 0;
}

// Rows taken one at a time after one Begin, each as wide as the markers the
// read began with and, once given the model the same file was read into
// whole, that model's row.
class MarkerRows : public tovfileio::TRCRowSink {
public:
    void CompareWith(const tovfileio::TRCFile* model) { model_ = model; }
    bool Begin(const tovfileio::TRCFile& file) override {
        if (begun_) std::abort();
        begun_ = true;
        markers_ = file.GetNumMarkers();
        if (model_ != nullptr && model_->GetNumMarkers() != markers_) std::abort();
        return true;
    }
    bool Row(const tovfileio::TRCRow& row) override {
        if (!begun_ || row.size() != markers_ || row.Held().size() > markers_) std::abort();
        for (std::uint32_t m = 0; model_ != nullptr && m < markers_; ++m) {
            tovfileio::TRCSample kept;
            kept.valid = model_->GetMarker(m)->GetPosition(static_cast<std::uint32_t>(rows), kept.x,
                                                           kept.y, kept.z);
            if (!SameSample(row[m], kept)) std::abort();
        }
        ++rows;
        return true;
    }
    std::uint64_t rows = 0;

private:
    const tovfileio::TRCFile* model_ = nullptr;
    bool begun_ = false;
    std::size_t markers_ = 0;
};

// ReadTwice with `fromMemory(streamed, findings, rows)` handed a MarkerRows.
// Aborts too unless every marker read from the file holds a sample per row
// and, when the file was read, the second read took as many markers, rows
// and frames from the same first frame.
template <typename Observer, typename FromFile, typename FromMemory>
std::wstring ReadMarkersTwice(tovfileio::TRCFile& whole, Observer& findings, Refusals refusals,
                              FromFile fromFile, FromMemory fromMemory) {
    tovfileio::TRCFile streamed;
    MarkerRows rows;
    const std::wstring message = ReadTwice(
        whole, streamed, findings, refusals,
        [&](tovfileio::TRCFile& model) {
            std::wstring read = fromFile(model);
            if (read.empty()) rows.CompareWith(&model);
            return read;
        },
        [&](tovfileio::TRCFile& model, Observer& observer) { return fromMemory(model, observer, rows); });
    for (std::uint32_t m = 0; m < whole.GetNumMarkers(); ++m) {
        if (whole.GetMarker(m)->GetNumSamples() != whole.GetNumRows()) std::abort();
    }
    if (message.empty() &&
        (streamed.GetNumMarkers() != whole.GetNumMarkers() || streamed.GetNumRows() != whole.GetNumRows() ||
         rows.rows != whole.GetNumRows() || streamed.GetNumFrames() != whole.GetNumFrames() ||
         streamed.GetStartFrame() != whole.GetStartFrame())) {
        std::abort();
    }
    return message;
}

}  // namespace fuzzread
