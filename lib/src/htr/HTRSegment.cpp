#include "tovfileio/htr/HTRSegment.h"

#include "tovfileio/htr/HTRTreeWalk.h"

namespace tovfileio {

HTRSegment::HTRSegment(const HTRSegment& other)
    : root_(other.root_),
      name_(other.name_),
      parent_(other.parent_),
      children_(other.children_),
      baseTranslation_(other.baseTranslation_),
      boneLength_(other.boneLength_),
      referenceScale_(other.referenceScale_),
      frameTranslations_(other.frameTranslations_),
      frameRotations_(other.frameRotations_),
      frameScales_(other.frameScales_),
      endSites_(other.endSites_),
      endSiteLength_(other.endSiteLength_),
      endSitesGiven_(other.endSitesGiven_) {
    // baseRotation_ was built in the default order; assignment re-expresses
    // the source rotation in it (a plain copy when the orders agree).
    baseRotation_ = other.baseRotation_;
}

HTRSegment& HTRSegment::operator=(const HTRSegment& other) {
    root_ = other.root_;
    name_ = other.name_;
    parent_ = other.parent_;
    children_ = other.children_;
    baseTranslation_ = other.baseTranslation_;
    baseRotation_ = other.baseRotation_;  // keeps this segment's order
    boneLength_ = other.boneLength_;
    referenceScale_ = other.referenceScale_;
    frameTranslations_ = other.frameTranslations_;
    frameRotations_ = other.frameRotations_;
    frameScales_ = other.frameScales_;
    endSites_ = other.endSites_;
    endSiteLength_ = other.endSiteLength_;
    endSitesGiven_ = other.endSitesGiven_;
    return *this;
}

void HTRSegment::SetParent(HTRSegment* parent) {
    parent_ = parent;
    if (parent != nullptr) parent->children_.push_back(this);
}

HTRSegment* HTRSegment::Child(std::int32_t i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= children_.size()) return nullptr;
    return children_[static_cast<std::size_t>(i)];
}

HTRSegment* HTRSegment::FindInSubtree(std::wstring_view name) {
    HTRSegment* found = nullptr;
    WalkSubtree(*this, [&](HTRSegment& segment, std::uint32_t) {
        if (segment.name_ != name) return true;
        found = &segment;
        return false;
    });
    return found;
}

void HTRSegment::GetBaseTranslation(double& x, double& y, double& z) const {
    x = baseTranslation_.x();
    y = baseTranslation_.y();
    z = baseTranslation_.z();
}

void HTRSegment::SetBaseTranslation(double x, double y, double z) {
    baseTranslation_ = TOVVector3<double>(x, y, z);
}

void HTRSegment::GetBaseRotationAngles(double& x, double& y, double& z) const {
    x = baseRotation_.angles.x();
    y = baseRotation_.angles.y();
    z = baseRotation_.angles.z();
}

void HTRSegment::SetBaseRotationAngles(double x, double y, double z) {
    baseRotation_.angles = TOVVector3<double>(x, y, z);
}

void HTRSegment::ReserveFrames(std::size_t count) {
    frameTranslations_.reserve(count);
    frameRotations_.reserve(count);
    frameScales_.reserve(count);
}

void HTRSegment::AppendFrame(double tx, double ty, double tz, double rx, double ry, double rz,
                             double scale) {
    frameTranslations_.emplace_back(tx, ty, tz);
    frameRotations_.emplace_back(rx, ry, rz);
    frameScales_.push_back(scale);
}

void HTRSegment::AppendFrame(const TOVVector3<double>& t, const TOVEulerRotation<double>& r,
                             double scale) {
    frameTranslations_.push_back(t);
    frameRotations_.push_back(r);
    frameScales_.push_back(scale);
}

void HTRSegment::GetFrameTranslation(std::uint32_t i, double& x, double& y, double& z) const {
    if (i >= frameTranslations_.size()) {
        x = y = z = 0.0;
        return;
    }
    const auto& t = frameTranslations_[i];
    x = t.x();
    y = t.y();
    z = t.z();
}

bool HTRSegment::SetFrameTranslation(std::uint32_t i, double x, double y, double z) {
    if (i >= frameTranslations_.size()) return false;
    frameTranslations_[i] = TOVVector3<double>(x, y, z);
    return true;
}

void HTRSegment::GetFrameRotationAngles(std::uint32_t i, double& x, double& y, double& z) const {
    if (i >= frameRotations_.size()) {
        x = y = z = 0.0;
        return;
    }
    const auto& angles = frameRotations_[i].angles;
    x = angles.x();
    y = angles.y();
    z = angles.z();
}

double HTRSegment::GetFrameScale(std::uint32_t i) const {
    return i < frameScales_.size() ? frameScales_[i] : 1.0;
}

TOVVector3<double> HTRSegment::FrameTranslationAbsolute(std::uint32_t i) const {
    if (i >= frameTranslations_.size()) return TOVVector3<double>();
    const auto& t = frameTranslations_[i];
    return TOVVector3<double>(baseTranslation_.x() + t.x(), baseTranslation_.y() + t.y(),
                              baseTranslation_.z() + t.z());
}

TOVEulerRotation<double> HTRSegment::FrameRotationAbsolute(std::uint32_t i) const {
    if (i >= frameRotations_.size()) return TOVEulerRotation<double>();
    return FrameRotationAbsolute(i, TOVRotationMatrix3<double>(baseRotation_));
}

TOVEulerRotation<double> HTRSegment::FrameRotationAbsolute(
    std::uint32_t i, const TOVRotationMatrix3<double>& base) const {
    if (i >= frameRotations_.size()) return TOVEulerRotation<double>();
    const TOVRotationMatrix3<double> frame(frameRotations_[i]);
    // frame * base: the frame rotation first, then the base rotation.
    return TOVEulerRotation<double>(base.Multiply(frame));
}

}  // namespace tovfileio
