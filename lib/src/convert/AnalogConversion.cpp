#include "AnalogConversion.h"

#include <memory>
#include <vector>

#include "ConversionSteps.h"
#include "tovfileio/c3d/AnalogCsv.h"
#include "tovfileio/c3d/C3DAnalog.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/c3d/ForcesCsv.h"

namespace tovfileio {

namespace {

// The points of a file read for its analog channels go nowhere: they are
// not kept, so memory stays that of a piece of the file.
class LeftPoints : public TRCRowSink {
public:
    bool Row(const TRCRow&) override { return true; }
};

// Hands samples kept whole to `loads` frame by frame, as a read would,
// once their baseline is taken from them.
void StreamKeptSamples(const C3DAnalog& analog, std::int64_t firstFrame, ForcesCsvStream& loads) {
    loads.Prepare(&analog);
    const std::size_t frameValues = static_cast<std::size_t>(analog.samplesPerFrame) * analog.channels.size();
    if (frameValues == 0) return;
    for (std::size_t at = 0, frame = 0; at + frameValues <= analog.samples.size(); at += frameValues, ++frame) {
        loads.Frame({firstFrame + static_cast<std::int64_t>(frame), analog.samples.data() + at});
    }
}

}  // namespace

ConversionResult AnalogToCsv(const ConversionRequest& request) {
    ConversionResult result;
    if (request.inKind != FileKind::kC3d || request.outKind != FileKind::kCsv || !request.cleaning.empty()) {
        result.writeMessage = kAnalogFromC3dToCsv;
        return result;
    }
    std::unique_ptr<TextOutput> file = OpenOutput(request, result);
    if (!file) return result;
    C3DAnalog analog;
    std::vector<ForcePlatform> platforms;
    const bool forces = request.content == C3dContent::kForces;
    AnalogCsvStream channels(*file, analog);
    PlatformForcesOptions plates;
    plates.zeroBaseline = request.zeroPlates;
    ForcesCsvStream loads(*file, analog, platforms, plates);
    LeftPoints points;
    FindingWatch watch(request.findings);
    TRCFile take;
    C3DReadOptions read;
    read.findings = &watch;
    read.rows = &points;
    read.memoryLimit = request.memoryLimit;
    read.analog = &analog;
    // A baseline is taken from samples read before the lines are written,
    // so the take's samples are kept whole for it; else they stream.
    const bool whole = forces && request.zeroPlates;
    read.analogFrames = whole ? nullptr : forces ? static_cast<AnalogSink*>(&loads) : &channels;
    read.platforms = &platforms;
    result.readMessage = ReadC3DFile(request.in, take, read);
    watch.Pass();
    if (!result.readMessage.empty()) {
        file->Discard();
        return result;
    }
    if (watch.FirstMisread() && !request.acceptMisread) {
        result.misread = watch.FirstMisread();
        result.readMessage = kMisreadTake;
        file->Discard();
        return result;
    }
    if (!forces) {
        channels.Finish();
        result.points = static_cast<std::uint32_t>(analog.channels.size());
        result.frames = static_cast<std::int64_t>(channels.Samples());
    } else {
        if (platforms.empty()) result.notes.push_back("the file describes no force platform");
        if (whole) StreamKeptSamples(analog, take.GetStartFrame(), loads);
        loads.Finish();
        result.notes.insert(result.notes.end(), loads.Notes().begin(), loads.Notes().end());
        result.points = static_cast<std::uint32_t>(platforms.size());
        result.frames = static_cast<std::int64_t>(analog.SampleCount());
    }
    CommitOutput(*file, result);
    return result;
}

}  // namespace tovfileio
