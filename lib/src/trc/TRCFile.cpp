#include "tovfileio/trc/TRCFile.h"

#include <algorithm>

namespace tovfileio {

bool TRCMarker::GetPosition(std::uint32_t index, double& x, double& y, double& z) const {
    if (index >= samples_.size()) {
        x = y = z = 0.0;
        return false;
    }
    const TRCSample& sample = samples_[index];
    x = sample.x;
    y = sample.y;
    z = sample.z;
    return sample.valid;
}

void TRCMarker::ScaleSamples(double factor) {
    for (TRCSample& sample : samples_) {
        sample.x *= factor;
        sample.y *= factor;
        sample.z *= factor;
    }
}

void TRCMarker::KeepSamples(std::size_t first, std::size_t count) {
    first = std::min(first, samples_.size());
    count = std::min(count, samples_.size() - first);
    samples_.erase(samples_.begin() + static_cast<std::ptrdiff_t>(first + count), samples_.end());
    samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(first));
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
