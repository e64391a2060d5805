#include "tovfileio/htr/HTRComparison.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tovfileio {
namespace {

using Matrix = TOVRotationMatrix3<double>;

// The angle of the rotation that turns `a` into `b`, from the chord between
// them, which stays accurate for tiny angles: |A - B| = 2 sqrt(2) sin(angle / 2).
double AngleDegrees(const TOVEulerRotation<double>& a, const TOVEulerRotation<double>& b) {
    const Matrix ma(a), mb(b);
    double sum = 0.0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const double d = ma(r, c) - mb(r, c);
            sum += d * d;
        }
    }
    const double half = std::min(1.0, std::sqrt(sum) / (2.0 * std::sqrt(2.0)));
    return 2.0 * std::asin(half) * 180.0 / kTOVPi;
}

double Distance(const TOVVector3<double>& a, const TOVVector3<double>& b) {
    return std::max({std::fabs(a.x() - b.x()), std::fabs(a.y() - b.y()), std::fabs(a.z() - b.z())});
}

double Norm(const TOVVector3<double>& v) {
    return std::sqrt(v.x() * v.x() + v.y() * v.y() + v.z() * v.z());
}

// The longest of a segment's own placements: its base, and base plus each
// frame.
double OwnReach(const HTRSegment& segment) {
    double longest = Norm(segment.BaseTranslation());
    for (std::uint32_t i = 0; i < segment.FrameCount(); ++i) {
        longest = std::max(longest, Norm(segment.FrameTranslationAbsolute(i)));
    }
    return longest;
}

// How far from the origin each segment can lie, in list order: its own reach
// added to its parent's, each ancestor counted once. One pass with a stack of
// its own, so a chain of any depth costs one step a segment; the segments of
// a parent loop each reach as far as the whole loop.
std::vector<double> Reaches(const HTRFile& file) {
    const std::uint32_t count = file.SegmentCount();
    std::unordered_map<const HTRSegment*, std::uint32_t> index;
    std::vector<double> own(count), reach(count, 0.0);
    for (std::uint32_t s = 0; s < count; ++s) {
        index.emplace(file.Segment(s), s);
        own[s] = OwnReach(*file.Segment(s));
    }
    auto parentOf = [&](std::uint32_t s) {
        const auto found = index.find(file.Segment(s)->GetParent());
        return found != index.end() ? std::optional<std::uint32_t>(found->second) : std::nullopt;
    };
    enum : char { kUnknown, kOnPath, kDone };
    std::vector<char> state(count, kUnknown);
    std::vector<std::uint32_t> path;
    for (std::uint32_t s = 0; s < count; ++s) {
        // Up from s to a root, a segment already done, or a loop.
        std::optional<std::uint32_t> at = s;
        for (; at && state[*at] == kUnknown; at = parentOf(*at)) {
            state[*at] = kOnPath;
            path.push_back(*at);
        }
        if (at && state[*at] == kOnPath) {
            // The path closes a loop from *at to its end: each reaches the sum.
            const auto loop = std::find(path.begin(), path.end(), *at);
            double sum = 0.0;
            for (auto i = loop; i != path.end(); ++i) sum += own[*i];
            for (auto i = loop; i != path.end(); ++i) {
                reach[*i] = sum;
                state[*i] = kDone;
            }
            path.erase(loop, path.end());
        }
        // Back down, each segment its own reach beyond its parent's.
        for (auto i = path.rbegin(); i != path.rend(); ++i) {
            const auto parent = parentOf(*i);
            reach[*i] = own[*i] + (parent ? reach[*parent] : 0.0);
            state[*i] = kDone;
        }
        path.clear();
    }
    return reach;
}

// The segments of `file` by name; the first of a name, as FindSegment gives.
std::unordered_map<std::wstring_view, const HTRSegment*> ByName(const HTRFile& file) {
    std::unordered_map<std::wstring_view, const HTRSegment*> names;
    for (std::uint32_t s = 0; s < file.SegmentCount(); ++s) {
        names.emplace(file.Segment(s)->Name(), file.Segment(s));
    }
    return names;
}

bool LengthWithin(double difference, double magnitude) {
    return difference <= std::max(kLengthTolerance, kRelativeTolerance * magnitude);
}

void Header(HTRComparison& result, const char* keyword, std::int64_t first, std::int64_t second) {
    if (first != second) result.headerValues.push_back({keyword, first, second});
}

}  // namespace

HTRComparison CompareHTR(const HTRFile& first, const HTRFile& second,
                         const HTRWrittenUnits& secondWritten) {
    HTRComparison result;
    result.firstUnits = UnitsWritten(first);
    result.secondUnits = secondWritten;
    Header(result, "NumSegments", first.SegmentCount(), second.SegmentCount());
    Header(result, "NumFrames", first.GetNumFrames(), second.GetNumFrames());
    Header(result, "FirstFrame", first.GetFirstFrame(), second.GetFirstFrame());
    Header(result, "DataFrameRate", first.GetDataFrameRate(), second.GetDataFrameRate());

    const std::vector<double> reaches = Reaches(first);
    const auto secondByName = ByName(second);
    for (std::uint32_t s = 0; s < first.SegmentCount(); ++s) {
        const HTRSegment& a = *first.Segment(s);
        const double reach = reaches[s];
        HTRSegmentDifference d;
        d.name = a.Name();
        if (a.GetParent() != nullptr) d.parent = a.GetParent()->Name();
        const auto named = secondByName.find(a.Name());
        const HTRSegment* b = named != secondByName.end() ? named->second : nullptr;
        if (b == nullptr) {
            d.missing = true;
            d.withinTolerance = false;
        } else {
            const std::wstring otherParent = b->GetParent() != nullptr ? b->GetParent()->Name() : L"";
            d.parentDiffers = otherParent != d.parent || a.IsRoot() != b->IsRoot();
            auto length = [&](double x, double y, double magnitude) {
                const double diff = std::fabs(x - y);
                d.length = std::max(d.length, diff);
                if (!LengthWithin(diff, magnitude)) d.withinTolerance = false;
            };
            auto translation = [&](const TOVVector3<double>& x, const TOVVector3<double>& y,
                                   double magnitude) {
                const double diff = Distance(x, y);
                d.translation = std::max(d.translation, diff);
                if (!LengthWithin(diff, magnitude)) d.withinTolerance = false;
            };
            auto rotation = [&](const TOVEulerRotation<double>& x,
                                const TOVEulerRotation<double>& y) {
                const double diff = AngleDegrees(x, y);
                d.rotationDegrees = std::max(d.rotationDegrees, diff);
                if (!(diff <= kRotationToleranceDegrees)) d.withinTolerance = false;
            };
            length(a.GetBoneLength(), b->GetBoneLength(), std::fabs(a.GetBoneLength()));
            translation(a.BaseTranslation(), b->BaseTranslation(), reach);
            rotation(a.BaseRotation(), b->BaseRotation());
            const std::uint32_t frames = std::max(a.FrameCount(), b->FrameCount());
            for (std::uint32_t i = 0; i < frames; ++i) {
                double x, y, z;
                a.GetFrameTranslation(i, x, y, z);
                const TOVVector3<double> ta(x, y, z);
                b->GetFrameTranslation(i, x, y, z);
                const TOVVector3<double> tb(x, y, z);
                translation(ta, tb, reach);
                a.GetFrameRotationAngles(i, x, y, z);
                const TOVEulerRotation<double> ra(x, y, z);
                b->GetFrameRotationAngles(i, x, y, z);
                rotation(ra, TOVEulerRotation<double>(x, y, z));
            }
        }
        if (d.parentDiffers) d.withinTolerance = false;
        result.translation = std::max(result.translation, d.translation);
        result.length = std::max(result.length, d.length);
        result.rotationDegrees = std::max(result.rotationDegrees, d.rotationDegrees);
        if (!d.withinTolerance) result.withinTolerance = false;
        result.segments.push_back(std::move(d));
    }
    if (!result.headerValues.empty()) result.withinTolerance = false;
    return result;
}

}  // namespace tovfileio
