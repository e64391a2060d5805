// Pieces the marker-file writers (TRC and CSV) share: a reused text buffer
// handed to the output in large pieces, and the numbers they write.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

namespace markertext {

// Text is built in a reused buffer and handed to the file in large pieces.
inline constexpr std::size_t kFlushBytes = 256 * 1024;
// A row makes room for this many markers at a time, so the buffer stays
// near its flush size however many markers a row has.
inline constexpr std::size_t kMarkersPerRoom = 256;
// Room for one coordinate in plain decimals: the smallest subnormal takes
// 324 decimals after "-0.".
inline constexpr std::size_t kCoordinateRoom = 340;

class TextBuffer {
public:
    explicit TextBuffer(TextOutput& file) : file_(file) {}

    void Start() {
        buffer_.resize(kFlushBytes);
        used_ = 0;
    }
    // Makes room for `bytes` more.
    void Room(std::size_t bytes) {
        if (buffer_.size() - used_ < bytes) Flush();
        if (buffer_.size() < bytes) buffer_.resize(bytes);
    }
    void Text(std::string_view text) {
        Room(text.size());
        Put(text);
    }
    // The caller has made room.
    void Put(std::string_view text) {
        std::memcpy(buffer_.data() + used_, text.data(), text.size());
        used_ += text.size();
    }
    void Put(char c) { buffer_[used_++] = c; }
    void Int(long long value) {
        Room(24);
        char* const at = buffer_.data() + used_;
        used_ += static_cast<std::size_t>(std::to_chars(at, at + 24, value).ptr - at);
    }
    // A finite value in plain decimals, with the fewest digits that convert
    // back to the same double; the caller has made kCoordinateRoom. For a
    // take of single-precision values (a C3D file's), a value a float holds
    // exactly gets the fewest digits that convert back to the same float:
    // "846.33612", not "846.3361206054688".
    void Coordinate(double value) {
        char* const at = buffer_.data() + used_;
        const auto single = static_cast<float>(value);
        const auto end = singles_ && static_cast<double>(single) == value
                             ? std::to_chars(at, at + kCoordinateRoom, single, std::chars_format::fixed)
                             : std::to_chars(at, at + kCoordinateRoom, value, std::chars_format::fixed);
        used_ += static_cast<std::size_t>(end.ptr - at);
    }
    void SetSinglePrecision(bool singles) { singles_ = singles; }
    void Flush() {
        file_.Write(std::string_view(buffer_.data(), used_));
        used_ = 0;
    }
    bool Failed() const { return file_.Failed(); }

private:
    TextOutput& file_;
    bool singles_ = false;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

// Whether a sample is written with its coordinates: valid, and each one a
// number a file can hold.
inline bool Writable(const TRCSample& sample) {
    return sample.valid && std::isfinite(sample.x) && std::isfinite(sample.y) &&
           std::isfinite(sample.z);
}

// The samples of every row the markers of `trc` hold, up to its header's
// frame count, handed to `row` one TRCRow at a time.
template <typename RowFn>
void ForEachStoredRow(const TRCFile& trc, RowFn row) {
    std::vector<TRCSample> samples(trc.GetNumMarkers());
    std::uint32_t rows = 0;
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        rows = std::max(rows, trc.GetMarker(m)->GetNumSamples());
    }
    for (std::uint32_t i = 0; i < rows && static_cast<std::int64_t>(i) < trc.GetNumFrames(); ++i) {
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            TRCSample& sample = samples[m];
            sample.valid = trc.GetMarker(m)->GetPosition(i, sample.x, sample.y, sample.z);
        }
        row(TRCRow(samples, TRCSample{}, samples.size()));
    }
}

}  // namespace markertext

}  // namespace tovfileio
