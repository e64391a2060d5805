// The analog side of a C3D file: its channels and force platforms from the
// ANALOG and FORCE_PLATFORM groups, and the decoding of each frame's analog
// block into scaled samples.
#pragma once

#include <cstdint>
#include <vector>

#include "C3DParams.h"
#include "tovfileio/c3d/C3DAnalog.h"

namespace tovfileio::c3dread {

// The channels of ANALOG (no samples yet): `channels` of them, at most one
// for each `wordBytes` of a file of `fileBytes` (a count no file that size
// could hold samples of), each of a frame's `values` analog values holding
// whole samples of every channel. Missing labels are "Analog<N>", made
// distinct as the points' are; a missing SCALE is 1, a missing OFFSET 0,
// GEN_SCALE 1, and a missing RATE that of the points times the samples a
// frame.
C3DAnalog AnalogChannels(const Params& params, std::uint64_t channels, std::uint64_t values,
                         double pointRate, std::uint64_t wordBytes, std::uint64_t fileBytes);

// The platforms of FORCE_PLATFORM: FORCE_PLATFORM:USED of them, up to as
// many as its parameters describe.
std::vector<ForcePlatform> ForcePlatforms(const Params& params);

// Turns the analog blocks of the frames, as they are read, into samples:
// kept in the C3DAnalog, or handed to a sink frame by frame.
class AnalogSamples {
public:
    AnalogSamples(Processor processor, bool isFloat, C3DAnalog& analog, AnalogSink* sink);

    // The values of one frame: the analog samples read of it.
    std::uint64_t FrameValues() const { return analog_.samplesPerFrame * analog_.channels.size(); }
    // The bytes of one sample of every channel.
    std::uint64_t SampleBytes() const { return analog_.channels.size() * wordBytes_; }
    // Makes room for the samples of `frames` frames: all of them when they
    // are kept, one frame's when they go to a sink.
    void Reserve(std::uint64_t frames);

    // Decodes `samples` whole samples at `bytes`, the next of this frame.
    void Add(const unsigned char* bytes, std::uint64_t samples);
    // The frame's samples are all read: a sink is told them, numbered
    // `frame` as the file numbers it.
    void EndFrame(std::int64_t frame);

private:
    using Decode = void (*)(const unsigned char*, std::uint64_t, const AnalogSamples&, double*);
    // kPlain: every offset 0 and GEN_SCALE 1, which then change no value
    // and are left out.
    template <Processor kProcessor, int kForm, bool kPlain>
    static void DecodeSamples(const unsigned char* bytes, std::uint64_t samples,
                              const AnalogSamples& self, double* into);
    template <bool kPlain>
    static Decode DecoderFor(Processor processor, int form);

    C3DAnalog& analog_;
    AnalogSink* sink_;
    std::uint64_t wordBytes_;
    Decode decode_;
    // Each channel's offset and scale, repeated for `repeat_` samples, so
    // that a run of samples decodes in one flat loop.
    std::vector<double> offsets_, scales_;
    std::uint64_t repeat_ = 1;
    std::vector<double> frame_;             // a frame's values, for the sink
    std::size_t frameUsed_ = 0;             // of them, those read so far
};

}  // namespace tovfileio::c3dread
