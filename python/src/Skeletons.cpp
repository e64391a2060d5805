#include "Skeletons.h"

#include <string>
#include <unordered_map>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "tovfileio/htr/HTRPose.h"
#include "tovfileio/text/TextCodec.h"

namespace py = pybind11;
using tovfileio::HTRFile;
using tovfileio::HTRSegment;

namespace tovpy {
namespace {

// Values a base line and a frame line hold: translation, rotation (the
// model's ZYX Euler angles, radians), then bone length or scale.
constexpr std::size_t kValues = 7;

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

// Each segment's place in the list, by address.
std::unordered_map<const HTRSegment*, std::int64_t> Places(const HTRFile& file) {
    std::unordered_map<const HTRSegment*, std::int64_t> places;
    for (std::uint32_t s = 0; s < file.SegmentCount(); ++s) places.emplace(file.Segment(s), s);
    return places;
}

Doubles Array(const py::handle& owner, const char* name, std::vector<std::size_t> shape) {
    Doubles array = Doubles::ensure(owner.attr(name));
    if (!array) throw py::value_error(std::string(name) + " must be an array of numbers");
    bool fits = static_cast<std::size_t>(array.ndim()) == shape.size();
    for (std::size_t d = 0; fits && d < shape.size(); ++d) {
        fits = static_cast<std::size_t>(array.shape(d)) == shape[d];
    }
    if (!fits) {
        std::string wanted;
        for (std::size_t d : shape) wanted += (wanted.empty() ? "" : ", ") + std::to_string(d);
        throw py::value_error(std::string(name) + " must have the shape (" + wanted + ")");
    }
    return array;
}

// World positions (frames, segments, 3) of the model at every frame, or
// (1, segments, 3) at the base position.
py::array_t<double> WorldPositions(const py::handle& skeleton, bool base) {
    HTRFile model;
    SkeletonModel(skeleton, model);
    const std::size_t segments = model.SegmentCount();
    const std::size_t frames = base ? 1 : model.FramesHeld();
    py::array_t<double> positions({frames, segments, std::size_t{3}});
    double* at = positions.mutable_data();
    {
        py::gil_scoped_release unlocked;
        tovfileio::HTRPose pose(model);
        for (std::size_t f = 0; f < frames; ++f) {
            if (base) {
                pose.AtBase();
            } else {
                pose.At(static_cast<std::uint32_t>(f));
            }
            for (std::uint32_t s = 0; s < segments; ++s, at += 3) {
                const auto& p = pose.WorldPosition(s);
                at[0] = p.x();
                at[1] = p.y();
                at[2] = p.z();
            }
        }
    }
    return positions;
}

}  // namespace

py::dict SkeletonFields(const HTRFile& skeleton) {
    const std::size_t segments = skeleton.SegmentCount();
    const std::size_t frames = skeleton.FramesHeld();
    py::list names;
    py::array_t<std::int64_t> parents(segments);
    py::array_t<bool> roots(segments);
    py::array_t<std::uint32_t> segmentFrames(segments);
    py::array_t<double> base({segments, kValues});
    py::array_t<double> motion({frames, segments, kValues});
    for (std::uint32_t s = 0; s < segments; ++s) {
        names.append(tovfileio::EncodeUtf8(skeleton.Segment(s)->Name()));
    }
    {
        std::int64_t* parent = parents.mutable_data();
        bool* root = roots.mutable_data();
        std::uint32_t* held = segmentFrames.mutable_data();
        double* b = base.mutable_data();
        double* m = motion.mutable_data();
        py::gil_scoped_release unlocked;
        const auto places = Places(skeleton);
        for (std::uint32_t s = 0; s < segments; ++s) {
            const HTRSegment& segment = *skeleton.Segment(s);
            const auto place = places.find(segment.GetParent());
            parent[s] = place == places.end() ? -1 : place->second;
            root[s] = segment.IsRoot();
            held[s] = segment.FrameCount();
            double* row = b + s * kValues;
            segment.GetBaseTranslation(row[0], row[1], row[2]);
            segment.GetBaseRotationAngles(row[3], row[4], row[5]);
            row[6] = segment.GetBoneLength();
            // Frames beyond a segment's own read as the model reads them:
            // no motion, scale 1.
            for (std::size_t f = 0; f < frames; ++f) {
                double* value = m + (f * segments + s) * kValues;
                const auto i = static_cast<std::uint32_t>(f);
                segment.GetFrameTranslation(i, value[0], value[1], value[2]);
                segment.GetFrameRotationAngles(i, value[3], value[4], value[5]);
                value[6] = segment.GetFrameScale(i);
            }
        }
    }
    py::dict fields;
    fields["names"] = names;
    fields["parents"] = parents;
    fields["roots"] = roots;
    fields["base"] = base;
    fields["motion"] = motion;
    fields["segment_frames"] = segmentFrames;
    fields["units"] = tovfileio::CalibrationUnitsKeyword(skeleton.GetCalibrationUnits());
    fields["rotation_units"] = tovfileio::RotationUnitsWord(skeleton.GetRotationUnits());
    fields["rate"] = skeleton.GetDataFrameRate();
    fields["header_frames"] = skeleton.GetNumFrames();
    fields["first_frame"] = skeleton.GetFirstFrame();
    fields["scale_factor"] = skeleton.GetScaleFactor();
    fields["normalize_scale_factors"] = skeleton.GetNormalizeScaleFactors();
    return fields;
}

void SkeletonModel(const py::handle& skeleton, HTRFile& into) {
    const auto names = skeleton.attr("names").cast<std::vector<std::string>>();
    const std::size_t segments = names.size();
    const Doubles base = Array(skeleton, "base", {segments, kValues});
    const Doubles motion0 = Doubles::ensure(skeleton.attr("motion"));
    if (!motion0 || motion0.ndim() != 3) throw py::value_error("motion must have 3 dimensions");
    const std::size_t frames = motion0.shape(0);
    const Doubles motion = Array(skeleton, "motion", {frames, segments, kValues});
    const auto parents = skeleton.attr("parents").cast<std::vector<std::int64_t>>();
    const auto roots = skeleton.attr("roots").cast<std::vector<bool>>();
    const auto held = skeleton.attr("segment_frames").cast<std::vector<std::uint64_t>>();
    if (parents.size() != segments || roots.size() != segments || held.size() != segments) {
        throw py::value_error("names, parents, roots and segment_frames must be as long");
    }
    const std::string units = py::str(skeleton.attr("units"));
    const auto unit = tovfileio::KnownCalibrationUnits(std::string_view(units));
    if (!unit) throw py::value_error("units must be one of " + tovfileio::CalibrationUnitsKeywords(", "));
    const std::string rotation = py::str(skeleton.attr("rotation_units"));
    const auto angles = tovfileio::RotationUnitsNamed(rotation);
    if (!angles) throw py::value_error("rotation_units must be 'degrees' or 'radians'");
    into.Reset();
    into.ClearSegments();
    into.SetCalibrationUnits(*unit);
    into.SetRotationUnits(*angles);
    into.SetDataFrameRate(skeleton.attr("rate").cast<std::int32_t>());
    into.SetNumFrames(skeleton.attr("header_frames").cast<std::uint32_t>());
    into.SetFirstFrame(skeleton.attr("first_frame").cast<std::int32_t>());
    into.SetScaleFactor(skeleton.attr("scale_factor").cast<double>());
    into.SetNormalizeScaleFactors(skeleton.attr("normalize_scale_factors").cast<bool>());
    std::vector<HTRSegment*> stored;
    for (std::size_t s = 0; s < segments; ++s) {
        if (parents[s] < -1 || parents[s] >= static_cast<std::int64_t>(segments)) {
            throw py::value_error("parents[" + std::to_string(s) + "] is no segment's index");
        }
        if (held[s] > frames) {
            throw py::value_error("segment_frames[" + std::to_string(s) +
                                  "] is more than the frames of motion");
        }
        HTRSegment segment(tovfileio::DecodeUtf8(names[s]));
        const double* b = base.data(s, 0);
        segment.SetRoot(roots[s]);
        segment.SetBaseTranslation(b[0], b[1], b[2]);
        segment.SetBaseRotationAngles(b[3], b[4], b[5]);
        segment.SetBoneLength(b[6]);
        segment.ReserveFrames(held[s]);
        for (std::size_t f = 0; f < held[s]; ++f) {
            const double* v = motion.data(f, s, 0);
            segment.AppendFrame(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
        }
        HTRSegment* added = into.AddSegment(segment);
        if (added == nullptr) {
            throw py::value_error("segment name '" + names[s] +
                                  "' is used twice or holds a space");
        }
        stored.push_back(added);
    }
    for (std::size_t s = 0; s < segments; ++s) {
        if (parents[s] >= 0) stored[s]->SetParent(stored[static_cast<std::size_t>(parents[s])]);
    }
}

void RegisterSkeletons(py::module_& module) {
    module.def(
        "_world_positions",
        [](const py::handle& skeleton, bool base) { return WorldPositions(skeleton, base); },
        py::arg("skeleton"), py::arg("base") = false);
}

}  // namespace tovpy
