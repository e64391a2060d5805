#include "tovfileio/htr/HTRFile.h"

#include <algorithm>

namespace tovfileio {

void HTRFile::Reset() {
    calibrationUnits_ = kUnitsMillimetres;
    rotationUnits_ = kRotationDegrees;
    dataFrameRate_ = 60;
    numFrames_ = 0;
    firstFrame_ = 1;
    ClearSegments();
}

HTRSegment* HTRFile::Segment(std::uint32_t index) const {
    return index < segments_.size() ? segments_[index].get() : nullptr;
}

HTRSegment* HTRFile::AddSegment(const HTRSegment& segment) {
    if (!NameAllowed(segment.Name())) return nullptr;
    if (FindSegment(segment.Name()) != nullptr) return nullptr;
    return AppendSegment(segment);
}

HTRSegment* HTRFile::AppendSegment(const HTRSegment& segment) {
    segments_.push_back(std::make_unique<HTRSegment>(segment));
    return segments_.back().get();
}

HTRSegment* HTRFile::FindSegment(std::wstring_view name) const {
    for (const auto& segment : segments_) {
        if (segment->Name() == name) return segment.get();
    }
    return nullptr;
}

HTRSegment* HTRFile::RootSegment() const {
    for (const auto& segment : segments_) {
        if (segment->IsRoot()) return segment.get();
    }
    return nullptr;
}

std::uint32_t HTRFile::FramesHeld() const {
    std::uint32_t held = 0;
    for (const auto& segment : segments_) held = std::max(held, segment->FrameCount());
    return held;
}

void HTRFile::ScaleTranslations(double factor) {
    for (const auto& segment : segments_) {
        double x, y, z;
        segment->GetBaseTranslation(x, y, z);
        segment->SetBaseTranslation(x * factor, y * factor, z * factor);
        segment->SetBoneLength(segment->GetBoneLength() * factor);
        // Frames at or beyond NumFrames keep their values; indices past the
        // segment's own frames would change nothing, so the loop stops there.
        const std::uint32_t frames = std::min(numFrames_, segment->FrameCount());
        for (std::uint32_t i = 0; i < frames; ++i) {
            segment->GetFrameTranslation(i, x, y, z);
            segment->SetFrameTranslation(i, x * factor, y * factor, z * factor);
        }
    }
}

void HTRFile::ConvertCalibrationUnits(CalibrationUnits units) {
    if (units == calibrationUnits_) return;
    ScaleTranslations(UnitConversionFactor(calibrationUnits_, units));
    calibrationUnits_ = units;
}

}  // namespace tovfileio
