#include "tovfileio/trc/TRCFile.h"

#include <algorithm>
#include <new>
#include <type_traits>

namespace tovfileio {

// Samples are copied as bytes into raw room.
static_assert(std::is_trivially_copyable_v<TRCSample> &&
              std::is_trivially_destructible_v<TRCSample>);

void TRCMarker::SampleList::Reserve(std::size_t count) {
    if (count <= capacity_) return;
    // Raw room, as a vector reserves it: samples are written as they come.
    auto* held = static_cast<TRCSample*>(::operator new(count * sizeof(TRCSample)));
    std::copy(data_, data_ + size_, held);
    Free();
    data_ = held;
    capacity_ = static_cast<std::uint32_t>(count);
}

void TRCMarker::SampleList::Keep(std::size_t first, std::size_t count) {
    std::copy(data_ + first, data_ + first + count, data_);
    size_ = static_cast<std::uint32_t>(count);
}

void TRCMarker::SampleList::CopyFrom(const SampleList& other) {
    Reserve(other.size_);
    std::copy(other.data_, other.data_ + other.size_, data_);
    size_ = other.size_;
}

void TRCMarker::SampleList::TakeFrom(SampleList& other) {
    if (other.OnHeap()) {
        data_ = other.data_;
    } else {
        one_ = other.one_;
        data_ = &one_;
    }
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = &other.one_;
    other.size_ = 0;
    other.capacity_ = 1;
}

void TRCMarker::SampleList::Free() {
    if (OnHeap()) ::operator delete(data_);
    data_ = &one_;
    capacity_ = 1;
}

bool TRCMarker::GetPosition(std::uint32_t index, double& x, double& y, double& z) const {
    if (index >= samples_.Size()) {
        x = y = z = 0.0;
        return false;
    }
    const TRCSample& sample = samples_.Data()[index];
    x = sample.x;
    y = sample.y;
    z = sample.z;
    return sample.valid;
}

void TRCMarker::ScaleSamples(double factor) {
    for (TRCSample& sample : Samples()) {
        sample.x *= factor;
        sample.y *= factor;
        sample.z *= factor;
    }
}

void TRCMarker::KeepSamples(std::size_t first, std::size_t count) {
    first = std::min(first, samples_.Size());
    count = std::min(count, samples_.Size() - first);
    samples_.Keep(first, count);
}

void TRCFile::RemoveMarkers(std::span<const bool> drop) {
    std::deque<TRCMarker> kept;
    for (std::size_t i = 0; i < markers_.size(); ++i) {
        if (i >= drop.size() || !drop[i]) kept.push_back(std::move(markers_[i]));
    }
    markers_ = std::move(kept);
}

void TRCFile::Reset() {
    units_ = kUnitsMillimetres;
    unitsStated_ = true;
    dataRate_ = 60;
    numFrames_ = 0;
    startFrame_ = 1;
    rowNumbering_.reset();
    rows_ = 0;
    markers_.clear();
}

RowNumbering TRCFile::GetRowNumbering() const {
    return rowNumbering_ ? *rowNumbering_ : RowNumbering{startFrame_, 0.0};
}

double TRCFile::RowSeconds(std::int64_t index) const {
    if (dataRate_ <= 0) return 0.0;
    const double periods = GetRowNumbering().firstPeriods;
    return (static_cast<double>(index) + periods) / dataRate_;
}

TRCMarker* TRCFile::GetMarker(std::uint32_t index) {
    return index < markers_.size() ? &markers_[index] : nullptr;
}

const TRCMarker* TRCFile::GetMarker(std::uint32_t index) const {
    return index < markers_.size() ? &markers_[index] : nullptr;
}

TRCMarker* TRCFile::AddMarker(const TRCMarker& marker) {
    for (const TRCMarker& existing : markers_) {
        if (existing.GetName() == marker.GetName()) return nullptr;
    }
    markers_.push_back(marker);
    return &markers_.back();
}

void TRCFile::ConvertUnits(CalibrationUnits units) {
    if (units == units_) return;
    Scale(UnitConversionFactor(units_, units));
    units_ = units;
}

void TRCFile::Scale(double factor) {
    for (TRCMarker& marker : markers_) marker.ScaleSamples(factor);
}

}  // namespace tovfileio
