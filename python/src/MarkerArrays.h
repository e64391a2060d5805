// Marker rows kept as one block of doubles shaped (frames, markers, 3), a
// dropout as NaN: the row sink a marker read fills, whose block becomes the
// NumPy array's own memory, so a take is never held twice.
#pragma once

#include <cstddef>
#include <cstdint>

#include <pybind11/numpy.h>

#include "tovfileio/trc/TRCFile.h"

namespace tovpy {

class MarkerBlock : public tovfileio::TRCRowSink {
public:
    // `inputBytes`, the size of what is read (0: unknown), bounds the room
    // taken before the rows come, whatever frame count a header claims.
    explicit MarkerBlock(std::uint64_t inputBytes) : inputBytes_(inputBytes) {}
    ~MarkerBlock() override;
    MarkerBlock(const MarkerBlock&) = delete;
    MarkerBlock& operator=(const MarkerBlock&) = delete;

    bool Begin(const tovfileio::TRCFile& file) override;
    bool Row(const tovfileio::TRCRow& row) override;

    // Whether the rows outgrew the memory the process may have: the read
    // was stopped.
    bool OutOfMemory() const { return outOfMemory_; }
    std::size_t Rows() const { return rows_; }

    // The block as an array (rows, markers, 3) whose base owns the memory;
    // the block is empty after. Needs the interpreter's lock.
    pybind11::array_t<double> TakeArray();

private:
    bool Room(std::size_t rows);

    std::uint64_t inputBytes_;
    double* data_ = nullptr;
    std::size_t markers_ = 0;
    std::size_t rows_ = 0;
    std::size_t capacity_ = 0;  // rows
    bool outOfMemory_ = false;
};

// The positions of `file`'s markers in `positions` (frames, markers, 3), a
// NaN anywhere in a sample making it a dropout, added to the markers as
// samples: the marker model the writers take. `yUpForGwm` turns each
// position as GWMSampleToYUp does, which the GWM writer turns back.
void AddSamples(tovfileio::TRCFile& file, const double* positions, std::size_t frames,
                std::size_t markers, bool yUpForGwm);

}  // namespace tovpy
