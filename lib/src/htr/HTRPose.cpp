#include "tovfileio/htr/HTRPose.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace tovfileio {

HTRPose::HTRPose(const HTRFile& file) : file_(file) {
    const std::uint32_t count = file.SegmentCount();
    std::unordered_map<const HTRSegment*, std::uint32_t> indexOf;
    indexOf.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) indexOf.emplace(file.Segment(i), i);

    // Children by the parent links, in list order; the segments' own child
    // lists are not trusted, as a copied segment keeps another's.
    std::vector<std::int64_t> linkedParent(count, -1);
    std::vector<std::uint32_t> childCount(count + 1, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto found = indexOf.find(file.Segment(i)->GetParent());
        if (found != indexOf.end()) {
            linkedParent[i] = found->second;
            ++childCount[found->second];
        }
    }
    // Children of segment s are firstChild[s] .. firstChild[s + 1] in `children`.
    std::vector<std::uint32_t> firstChild(count + 1, 0);
    for (std::uint32_t i = 0; i < count; ++i) firstChild[i + 1] = firstChild[i] + childCount[i];
    std::vector<std::uint32_t> children(firstChild[count]);
    std::vector<std::uint32_t> filled(firstChild.begin(), firstChild.end() - 1);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (linkedParent[i] >= 0) children[filled[linkedParent[i]]++] = i;
    }

    // Breadth first from each segment placed in the world: first those
    // without a parent in the file, then, for loops, the first segment of
    // each not reached yet.
    order_.reserve(count);
    parent_.assign(count, -1);
    std::vector<bool> placed(count, false);
    auto placeFrom = [&](std::uint32_t top) {
        placed[top] = true;
        std::size_t next = order_.size();
        order_.push_back(top);
        for (; next < order_.size(); ++next) {
            const std::uint32_t s = order_[next];
            for (std::uint32_t c = firstChild[s]; c < firstChild[s + 1]; ++c) {
                const std::uint32_t child = children[c];
                if (placed[child]) continue;
                placed[child] = true;
                parent_[child] = s;
                order_.push_back(child);
            }
        }
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        if (linkedParent[i] < 0) placeFrom(i);
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!placed[i]) placeFrom(i);
    }
    positions_.resize(count);
    rotations_.resize(count);
}

template <typename Local>
void HTRPose::Place(Local&& local) {
    TOVVector3<double> t;
    TOVRotationMatrix3<double> r;
    for (const std::uint32_t s : order_) {
        local(*file_.Segment(s), t, r);
        const std::int64_t p = parent_[s];
        if (p < 0) {
            positions_[s] = t;
            rotations_[s] = r;
            continue;
        }
        // Row vectors: the local offset turns by the parent's world rotation.
        const TOVRotationMatrix3<double>& pr = rotations_[p];
        const TOVVector3<double>& pp = positions_[p];
        TOVVector3<double> world;
        for (int c = 0; c < 3; ++c) {
            world[c] = pp[c] + t[0] * pr.rows[0][c] + t[1] * pr.rows[1][c] + t[2] * pr.rows[2][c];
        }
        positions_[s] = world;
        rotations_[s] = pr.Multiply(r);
    }
}

void HTRPose::At(std::uint32_t frame) {
    Place([frame](const HTRSegment& segment, TOVVector3<double>& t, TOVRotationMatrix3<double>& r) {
        t = segment.FrameTranslationAbsolute(frame);
        r.SetFromEuler(segment.FrameRotationAbsolute(frame));
    });
}

void HTRPose::AtBase() {
    Place([](const HTRSegment& segment, TOVVector3<double>& t, TOVRotationMatrix3<double>& r) {
        t = segment.BaseTranslation();
        r.SetFromEuler(segment.BaseRotation());
    });
}

double FigureHeight(const HTRFile& file) {
    if (file.SegmentCount() == 0) return 0.0;
    HTRPose pose(file);
    if (file.FramesHeld() == 0) {
        pose.AtBase();
    } else {
        pose.At(0);
    }
    double longest = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        double low = std::numeric_limits<double>::infinity(), high = -low;
        for (std::uint32_t s = 0; s < pose.SegmentCount(); ++s) {
            low = std::min(low, pose.WorldPosition(s)[axis]);
            high = std::max(high, pose.WorldPosition(s)[axis]);
        }
        if (std::isfinite(high - low)) longest = std::max(longest, high - low);
    }
    return longest;
}

std::optional<CalibrationUnits> PersonHeightUnits(double height) {
    for (const CalibrationUnits units :
         {kUnitsMillimetres, kUnitsCentimetres, kUnitsMetres, kUnitsInches, kUnitsFeet}) {
        const double metres = height * UnitConversionFactor(units, kUnitsMetres);
        if (metres >= 1.0 && metres <= 2.3) return units;
    }
    return std::nullopt;
}

double SkeletonSize(const HTRFile& file) {
    if (file.SegmentCount() == 0) return 0.0;
    HTRPose pose(file);
    double low[3], high[3];
    std::fill(low, low + 3, std::numeric_limits<double>::infinity());
    std::fill(high, high + 3, -std::numeric_limits<double>::infinity());
    auto widen = [&] {
        for (std::uint32_t s = 0; s < pose.SegmentCount(); ++s) {
            const TOVVector3<double>& p = pose.WorldPosition(s);
            for (int c = 0; c < 3; ++c) {
                low[c] = std::min(low[c], p[c]);
                high[c] = std::max(high[c], p[c]);
            }
        }
    };
    const std::uint32_t frames = file.FramesHeld();
    if (frames == 0) {
        pose.AtBase();
        widen();
    }
    for (std::uint32_t f = 0; f < frames; ++f) {
        pose.At(f);
        widen();
    }
    const double dx = high[0] - low[0], dy = high[1] - low[1], dz = high[2] - low[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace tovfileio
