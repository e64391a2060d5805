// A C3D file's force platforms as CSV, one line for each analog sample and
// platform, in the lab's frame:
//   sample,time,platform,fx,fy,fz,mx,my,mz,copx,copy,copz
// Samples are numbered and timed as AnalogCsv.h numbers them; platforms
// from 1 in the order of FORCE_PLATFORM; forces in the force unit of the
// channels, moments about the plate's centre in that unit times the point
// unit, the centre of pressure in the point unit (ForcePlatforms.h).
// Values are plain decimals with the fewest digits that read back as the
// same double; a value that is not finite (the centre of pressure of an
// unloaded plate) leaves its cell empty.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tovfileio/c3d/C3DAnalog.h"
#include "tovfileio/c3d/ForcePlatforms.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

class ForcesCsvStream : public AnalogSink {
public:
    ForcesCsvStream(TextOutput& file, const C3DAnalog& analog, const std::vector<ForcePlatform>& platforms,
                    const PlatformForcesOptions& options)
        : file_(file), analog_(analog), platforms_(platforms), options_(options) {}

    // Works out each platform's arithmetic; `baseline` holds the samples
    // a ZERO baseline is taken from (the whole take's, read first) when
    // the options ask for one. Called by the first Frame otherwise.
    void Prepare(const C3DAnalog* baseline = nullptr);
    void Frame(const AnalogFrame& frame) override;
    // Writes what is held, and the header line for a take of no samples.
    void Finish();

    std::uint64_t Lines() const { return lines_; }
    // What could not be computed, one sentence a platform ("platform 3:
    // ..."), and what was done with each ZERO baseline asked for.
    const std::vector<std::string>& Notes() const { return notes_; }

private:
    void Flush();

    TextOutput& file_;
    const C3DAnalog& analog_;
    const std::vector<ForcePlatform>& platforms_;
    PlatformForcesOptions options_;
    std::vector<std::optional<PlatformForces>> forces_;
    std::vector<std::string> notes_;
    std::string text_;
    bool prepared_ = false;
    std::uint64_t lines_ = 0;
};

}  // namespace tovfileio
