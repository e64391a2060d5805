#include "view/C3DPlates.h"

#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/c3d/ForcePlatforms.h"
#include "tovfileio/convert/UpTurn.h"
#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/text/TextCodec.h"

namespace tovview {
namespace {

using tovfileio::Vec3d;

// Takes the rows of a read and keeps none: only the analog samples and the
// platforms are wanted, the take's markers are already in the scene.
class NoRows : public tovfileio::TRCRowSink {
public:
    bool Row(const tovfileio::TRCRow&) override { return true; }
};

// A direction or length in the lab (a force) turned into the page's axes.
Vec3d Turned(Vec3d v, tovfileio::UpAxis stands) {
    tovfileio::TurnUp(v[0], v[1], v[2], stands, tovfileio::UpAxis::kZ);
    return v;
}

void AppendScaled(std::vector<float>& out, const Vec3d& v, double scale) {
    for (const double c : v) out.push_back(static_cast<float>(c * scale));
}

// The force unit of a platform's channels: its first channel's, "N" when
// the file names none.
std::string ForceUnitOf(const tovfileio::ForcePlatform& platform, const tovfileio::C3DAnalog& analog) {
    const std::uint32_t first = platform.channels.empty() ? 0 : platform.channels.front();
    if (first >= 1 && first <= analog.channels.size() && !analog.channels[first - 1].units.empty()) {
        return tovfileio::EncodeUtf8(analog.channels[first - 1].units);
    }
    return "N";
}

// Each platform of `computed` at analog sample `sample` of `analog`, force
// and centre of pressure turned into the page's axes (the centre scaled by
// `lengthScale`); NaN in all six for a sample the file does not hold.
void AppendSample(std::vector<float>& out, const std::vector<tovfileio::PlatformForces>& computed,
                  const tovfileio::C3DAnalog& analog, long long sample, tovfileio::UpAxis stands,
                  double lengthScale) {
    const std::size_t channels = analog.channels.size();
    const bool held = sample >= 0 && static_cast<std::uint64_t>(sample) < analog.SampleCount();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    for (const tovfileio::PlatformForces& forces : computed) {
        tovfileio::PlatformSample at{{kNaN, kNaN, kNaN}, {}, {kNaN, kNaN, kNaN}};
        if (held) {
            const std::size_t first = static_cast<std::size_t>(sample) * channels;
            at = forces.At(std::span<const double>(analog.samples).subspan(first, channels));
        }
        AppendScaled(out, Turned(at.force, stands), 1.0);
        AppendScaled(out, Turned(at.cop, stands), lengthScale);
    }
}

}  // namespace

bool ReadPagePlates(const std::string& path, const LabToPage& turn, const PageFrames& frames,
                    PagePlates& plates, std::string& error) {
    plates = PagePlates();
    tovfileio::TRCFile file;
    tovfileio::C3DAnalog analog;
    std::vector<tovfileio::ForcePlatform> platforms;
    NoRows rows;
    tovfileio::C3DReadOptions options;
    options.rows = &rows;
    options.analog = &analog;
    options.platforms = &platforms;
    if (const std::wstring message = tovfileio::ReadC3DFile(path, file, options); !message.empty()) {
        error = tovfileio::EncodeUtf8(message);
        return false;
    }

    // Lengths from the file's unit to the page's; an arrow is a millimetre
    // long for each force unit, so that a body's weight stands about a
    // metre tall.
    const double lengthScale =
        tovfileio::MillimetresPerUnit(file.GetUnits()) / turn.pageUnitMillimetres;
    std::vector<tovfileio::PlatformForces> computed;
    for (const tovfileio::ForcePlatform& platform : platforms) {
        std::wstring why;
        std::optional<tovfileio::PlatformForces> forces =
            tovfileio::PlatformForces::Prepare(platform, analog.channels.size(), {}, why);
        if (!forces) continue;
        if (computed.empty()) plates.forceUnit = ForceUnitOf(platform, analog);
        computed.push_back(*forces);
        for (const Vec3d& corner : platform.corners) {
            AppendScaled(plates.corners, Turned(corner, turn.stands), lengthScale);
        }
    }
    if (computed.empty()) return true;
    plates.lengthPerForce = 1.0 / turn.pageUnitMillimetres;
    plates.unitsPerMetre = 1000.0 / turn.pageUnitMillimetres;

    for (long long f = 0; f < frames.frameCount; ++f) {
        // The frame's first analog sample: the one taken with its points.
        const long long sample = (frames.firstFrame + f - file.GetStartFrame()) *
                                 static_cast<long long>(analog.samplesPerFrame);
        AppendSample(plates.samples, computed, analog, sample, turn.stands, lengthScale);
    }
    return true;
}

}  // namespace tovview
