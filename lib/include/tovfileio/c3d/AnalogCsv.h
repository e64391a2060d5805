// A C3D file's analog channels as CSV, one line for each analog sample:
//   sample,time,Fx1,Fy1,...
//   7041,3.52,-1.25,0.5,...
// UTF-8, lines ended by a bare line feed. A sample is numbered as the file
// numbers its frames: the k-th sample (from 0) of a take whose first frame
// is F, at S samples a frame, is (F - 1) * S + k + 1, and its time is that
// number less one over the analog rate. Labels are quoted as marker names
// are in marker CSV (MarkerCsvField); values are the scaled values in
// plain decimals with the fewest digits that read back as the same double;
// a value that is not finite leaves its cell empty.
#pragma once

#include <cstdint>
#include <string>

#include "tovfileio/c3d/C3DAnalog.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

// The number of the first analog sample of frame `frame`, at
// `samplesPerFrame` samples a frame.
std::int64_t FirstAnalogSample(std::int64_t frame, std::uint32_t samplesPerFrame);

// Takes the analog samples frame by frame as the reader gives them and
// writes them; the channels (C3DAnalog's) must be known at the first frame.
class AnalogCsvStream : public AnalogSink {
public:
    AnalogCsvStream(TextOutput& file, const C3DAnalog& analog) : file_(file), analog_(analog) {}
    void Frame(const AnalogFrame& frame) override;
    // Writes what is held, and the header line for a take of no samples.
    void Finish();
    std::uint64_t Samples() const { return samples_; }

private:
    void Header();
    void Flush();

    TextOutput& file_;
    const C3DAnalog& analog_;
    std::string text_;
    bool started_ = false;
    std::uint64_t samples_ = 0;
};

}  // namespace tovfileio
