// One bone of an HTR file: its name, its place in the hierarchy, its base
// position and its motion frame by frame.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tovfileio/math/TOVRotation.h"

namespace tovfileio {

class HTRSegment {
public:
    HTRSegment() = default;
    explicit HTRSegment(std::wstring name) : name_(std::move(name)) {}
    // Deep copy of the values and frames; the hierarchy links are copied as
    // they are. The copy's base rotation takes the default Euler order.
    HTRSegment(const HTRSegment& other);
    HTRSegment& operator=(const HTRSegment& other);

    // The root flag: set when the hierarchy names "GLOBAL" as the parent.
    bool IsRoot() const { return root_; }
    void SetRoot(bool root) { root_ = root; }

    std::wstring GetName() const { return name_; }
    const std::wstring& Name() const { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }

    // Hierarchy links between segments of one file; they do not own.
    HTRSegment* GetParent() const { return parent_; }
    // Stores the parent link; a non-null parent also gets this segment
    // appended to its children.
    void SetParent(HTRSegment* parent);
    std::uint32_t ChildCount() const { return static_cast<std::uint32_t>(children_.size()); }
    // The i-th child in the order they were linked; null when out of range.
    HTRSegment* Child(std::int32_t i) const;
    // This segment or the first segment below it (depth first, children in
    // order) with exactly this name; null when none. Safe on any links: a
    // segment that is its own ancestor is visited once.
    HTRSegment* FindInSubtree(std::wstring_view name);

    void GetBaseTranslation(double& x, double& y, double& z) const;
    void SetBaseTranslation(double x, double y, double z);
    void SetBaseTranslation(const TOVVector3<double>& t) { baseTranslation_ = t; }
    TOVVector3<double> BaseTranslation() const { return baseTranslation_; }

    // The three base angles in radians, as stored.
    void GetBaseRotationAngles(double& x, double& y, double& z) const;
    void SetBaseRotationAngles(double x, double y, double z);
    TOVEulerRotation<double> BaseRotation() const { return baseRotation_; }
    // Stores `r` re-expressed in the order of the stored base rotation.
    void SetBaseRotation(const TOVEulerRotation<double>& r) { baseRotation_ = r; }

    double GetBoneLength() const { return boneLength_; }
    void SetBoneLength(double length) { boneLength_ = length; }

    // The tips the segment's file gave it, in its own frame: a BVH joint's
    // End Site OFFSETs in file order. An HTR file holds none, and its leaves
    // end at their bone length along Y. The tips go with the bone length:
    // taken at the bone length of the time they are set, they scale as it
    // changes later (lengths converted or scaled), and stand as set while
    // it is unchanged.
    void SetEndSites(std::vector<TOVVector3<double>> tips) {
        endSites_ = std::move(tips);
        endSiteLength_ = boneLength_;
        endSitesGiven_ = true;
    }
    // Whether SetEndSites gave the segment its tips, none or some.
    bool EndSitesGiven() const { return endSitesGiven_; }
    std::uint32_t EndSiteCount() const { return static_cast<std::uint32_t>(endSites_.size()); }
    // The i-th tip (i below EndSiteCount) at the current bone length.
    TOVVector3<double> EndSite(std::uint32_t i) const {
        const TOVVector3<double>& tip = endSites_[i];
        if (boneLength_ == endSiteLength_ || endSiteLength_ == 0.0) return tip;
        const double k = boneLength_ / endSiteLength_;
        return TOVVector3<double>(tip.x() * k, tip.y() * k, tip.z() * k);
    }
    // Divisor of the frame scale factors when the file normalises them; 0
    // (a bone of reference length 0) has no scale, and its frames are
    // written with scale 1.
    double GetReferenceScale() const { return referenceScale_; }
    void SetReferenceScale(double scale) { referenceScale_ = scale; }

    // Room for `count` frames; no frame is created.
    void ReserveFrames(std::size_t count);
    void AppendFrame(double tx, double ty, double tz, double rx, double ry, double rz,
                     double scale);
    void AppendFrame(const TOVVector3<double>& t, const TOVEulerRotation<double>& r,
                     double scale);
    std::uint32_t FrameCount() const { return static_cast<std::uint32_t>(frameScales_.size()); }

    // Frame accessors; an index beyond the segment's frames reads as no
    // motion: translation (0, 0, 0), angles (0, 0, 0), scale 1.
    void GetFrameTranslation(std::uint32_t i, double& x, double& y, double& z) const;
    // False, and nothing changed, when `i` is beyond the segment's frames.
    bool SetFrameTranslation(std::uint32_t i, double x, double y, double z);
    void GetFrameRotationAngles(std::uint32_t i, double& x, double& y, double& z) const;
    double GetFrameScale(std::uint32_t i) const;
    // Base translation plus frame i's translation; (0, 0, 0) out of range.
    TOVVector3<double> FrameTranslationAbsolute(std::uint32_t i) const;
    // Frame i's rotation followed by the base rotation, in the default
    // order; angles (0, 0, 0) out of range.
    TOVEulerRotation<double> FrameRotationAbsolute(std::uint32_t i) const;
    // The same with the base rotation's matrix made once by the caller
    // (TOVRotationMatrix3<double>(BaseRotation())) for a run of frames.
    TOVEulerRotation<double> FrameRotationAbsolute(std::uint32_t i,
                                                   const TOVRotationMatrix3<double>& base) const;

private:
    bool root_ = false;
    std::wstring name_;
    HTRSegment* parent_ = nullptr;
    std::vector<HTRSegment*> children_;
    TOVVector3<double> baseTranslation_;
    TOVEulerRotation<double> baseRotation_;
    double boneLength_ = 0.0;
    double referenceScale_ = 1.0;
    std::vector<TOVVector3<double>> frameTranslations_;
    std::vector<TOVEulerRotation<double>> frameRotations_;
    std::vector<double> frameScales_;
    std::vector<TOVVector3<double>> endSites_;
    double endSiteLength_ = 0.0;  // the bone length the tips were given at
    bool endSitesGiven_ = false;
};

}  // namespace tovfileio
