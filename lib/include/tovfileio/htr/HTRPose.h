// Where every segment of an HTR model stands in the world at a frame.
//
// A segment's local transform is the one the model composes for its motion:
// translation FrameTranslationAbsolute (base plus frame translation) and
// rotation FrameRotationAbsolute (the frame rotation, then the base
// rotation), both relative to its parent. Frame scale factors do not move
// joints: the translations are already true distances. The world transform
// of a segment is its local transform followed by its parent's world
// transform.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/math/TOVRotation.h"

namespace tovfileio {

class HTRPose {
public:
    // Prepares the placing order of `file`'s segments: parents before their
    // children. A segment whose parent is not in the file stands at the
    // world's origin; so does the first segment met of a loop of parent
    // links (a segment that is its own ancestor), and every segment is placed
    // once. The file must outlive the pose, with its segments and links
    // unchanged.
    explicit HTRPose(const HTRFile& file);

    // Places every segment at frame `frame` (from 0). A frame beyond a
    // segment's frames reads as the model reads it: no motion, translation
    // (0, 0, 0) and no turn, so the segment stands at its parent's origin,
    // turned as its parent, as the host's import keys it; not in its base
    // position, which AtBase gives. Reuses its buffers: no allocation.
    void At(std::uint32_t frame);
    // Places every segment in the base position: base translation and base
    // rotation, no frame.
    void AtBase();

    std::uint32_t SegmentCount() const { return static_cast<std::uint32_t>(order_.size()); }
    // Segment indices (list order of the file) in placing order.
    const std::vector<std::uint32_t>& Order() const { return order_; }
    // The index of the segment this one is placed relative to; -1 for one
    // placed in the world.
    std::int64_t PlacedUnder(std::uint32_t segmentIndex) const { return parent_[segmentIndex]; }

    // The last placed world position and rotation (a row-vector matrix, as
    // the math library stores them: a point p of the segment stands at
    // p * WorldRotation + WorldPosition) of a segment by its list index.
    const TOVVector3<double>& WorldPosition(std::uint32_t segmentIndex) const {
        return positions_[segmentIndex];
    }
    const TOVRotationMatrix3<double>& WorldRotation(std::uint32_t segmentIndex) const {
        return rotations_[segmentIndex];
    }

private:
    template <typename Local>
    void Place(Local&& local);

    const HTRFile& file_;
    std::vector<std::uint32_t> order_;
    std::vector<std::int64_t> parent_;
    std::vector<TOVVector3<double>> positions_;
    std::vector<TOVRotationMatrix3<double>> rotations_;
};

// The skeleton's size: the diagonal of the box around every segment's world
// position at every frame the file holds (FramesHeld), or in the base
// position when it holds none. 0 for a file without segments. Tolerances
// of position checks are taken relative to it.
double SkeletonSize(const HTRFile& file);

// How tall the figure is in its first frame (its base position when it
// holds none): the longest span of its joints along an axis, whichever
// axis it stands along, in the file's length units. 0 for a file without
// segments.
double FigureHeight(const HTRFile& file);

// The units in which a figure `height` long is a person's height (1 to 2.3
// m), the first of mm, cm, m, in, ft; none when it is one in none of them.
std::optional<CalibrationUnits> PersonHeightUnits(double height);

}  // namespace tovfileio
