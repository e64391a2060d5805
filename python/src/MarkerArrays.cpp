#include "MarkerArrays.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include <sys/mman.h>

#include "tovfileio/gwm/GWMReader.h"

namespace py = pybind11;
using tovfileio::TRCSample;

namespace tovpy {
namespace {

constexpr double kDropout = std::numeric_limits<double>::quiet_NaN();

inline void Put(double* at, const TRCSample& sample) {
    if (sample.valid) {
        at[0] = sample.x;
        at[1] = sample.y;
        at[2] = sample.z;
    } else {
        at[0] = at[1] = at[2] = kDropout;
    }
}

// A long take's block is filled once, front to back: large pages spare the
// fault of every small one on the way (where the system lends them on
// request).
void AskForLargePages(void* block, std::size_t bytes) {
    constexpr std::size_t kLarge = std::size_t{2} << 20;
    if (bytes < 2 * kLarge) return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(block) + kLarge - 1) & ~(kLarge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kLarge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

MarkerBlock::~MarkerBlock() { std::free(data_); }

bool MarkerBlock::Room(std::size_t rows) {
    if (rows <= capacity_) return true;
    const std::size_t rowDoubles = std::max<std::size_t>(markers_ * 3, 1);
    if (rows > std::numeric_limits<std::size_t>::max() / sizeof(double) / rowDoubles) {
        outOfMemory_ = true;
        return false;
    }
    // realloc moves a large block by remapping its pages, not by copying
    // them, so growing never holds the take twice.
    void* grown = std::realloc(data_, rows * rowDoubles * sizeof(double));
    if (grown == nullptr) {
        outOfMemory_ = true;
        return false;
    }
    data_ = static_cast<double*>(grown);
    capacity_ = rows;
    AskForLargePages(data_, rows * rowDoubles * sizeof(double));
    return true;
}

bool MarkerBlock::Begin(const tovfileio::TRCFile& file) {
    markers_ = file.GetNumMarkers();
    rows_ = 0;
    // Room for the header's frames, but no more than the input's bytes
    // could fill at eight bytes a coordinate: a header may claim anything.
    std::uint64_t frames = static_cast<std::uint64_t>(std::max(file.GetNumFrames(), 0));
    if (inputBytes_ != 0 && markers_ != 0) {
        frames = std::min<std::uint64_t>(frames, inputBytes_ / markers_ + 1);
    }
    return Room(static_cast<std::size_t>(std::max<std::uint64_t>(frames, 1)));
}

bool MarkerBlock::Row(const tovfileio::TRCRow& row) {
    if (rows_ == capacity_ && !Room(capacity_ + capacity_ / 2 + 16)) return false;
    double* at = data_ + rows_ * markers_ * 3;
    const auto held = row.Held();
    std::size_t m = 0;
    for (; m < held.size(); ++m, at += 3) Put(at, held[m]);
    for (; m < markers_; ++m, at += 3) Put(at, row.Rest());
    ++rows_;
    return true;
}

py::array_t<double> MarkerBlock::TakeArray() {
    const std::size_t doubles = rows_ * markers_ * 3;
    // Give back the room the rows did not take; an empty take keeps a
    // block of its own, so every array has its base.
    void* exact = std::realloc(data_, std::max<std::size_t>(doubles, 1) * sizeof(double));
    if (exact != nullptr) data_ = static_cast<double*>(exact);
    double* data = data_;
    data_ = nullptr;
    capacity_ = 0;
    py::capsule owner(data, [](void* block) { std::free(block); });
    return py::array_t<double>({rows_, markers_, std::size_t{3}}, data, owner);
}

void AddSamples(tovfileio::TRCFile& file, const double* positions, std::size_t frames,
                std::size_t markers, bool yUpForGwm) {
    for (std::size_t m = 0; m < markers; ++m) {
        tovfileio::TRCMarker& marker = *file.GetMarker(static_cast<std::uint32_t>(m));
        marker.ReserveSamples(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            const double* at = positions + (f * markers + m) * 3;
            if (std::isnan(at[0]) || std::isnan(at[1]) || std::isnan(at[2])) {
                marker.AddDropout();
                continue;
            }
            const TRCSample sample{true, false, at[0], at[1], at[2]};
            marker.AddSample(yUpForGwm ? tovfileio::GWMSampleToYUp(sample) : sample);
        }
    }
}

}  // namespace tovpy
