#include "SkeletonMarkers.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tovfileio/htr/HTRPose.h"

namespace tovfileio {

bool StreamJointPositions(const HTRFile& skeleton, TRCRowSink& rows) {
    TRCFile header;
    for (std::uint32_t s = 0; s < skeleton.SegmentCount(); ++s) {
        // Segment names are unique in the model, so every one is taken.
        header.AddMarker(TRCMarker(skeleton.Segment(s)->Name()));
    }
    header.SetUnits(skeleton.GetCalibrationUnits());
    header.SetDataRate(skeleton.GetDataFrameRate());
    header.SetCameraRate(skeleton.GetDataFrameRate());
    header.SetStartFrame(skeleton.GetFirstFrame());
    header.SetNumFrames(static_cast<std::int32_t>(
        std::min<std::uint32_t>(skeleton.GetNumFrames(), INT32_MAX)));
    if (!rows.Begin(header)) return false;

    HTRPose pose(skeleton);
    std::vector<TRCSample> samples(skeleton.SegmentCount());
    const auto frames = static_cast<std::uint32_t>(header.GetNumFrames());
    for (std::uint32_t f = 0; f < frames; ++f) {
        pose.At(f);
        for (std::uint32_t s = 0; s < samples.size(); ++s) {
            const TOVVector3<double>& p = pose.WorldPosition(s);
            samples[s] = {true, false, p.x(), p.y(), p.z()};
        }
        if (!rows.Row(TRCRow(samples, TRCSample{}, samples.size()))) return false;
    }
    return true;
}

}  // namespace tovfileio
