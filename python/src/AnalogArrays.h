// A C3D take's analog channels and force platforms as Python sees them: the
// samples read are the NumPy array's own memory, and each platform's force,
// moment and centre of pressure is worked out for every sample.
#pragma once

#include <memory>
#include <vector>

#include <pybind11/numpy.h>

#include "tovfileio/c3d/C3DAnalog.h"
#include "tovfileio/convert/Takes.h"

namespace tovpy {

// What a marker read keeps beside the points of a C3D file: its analog
// channels with their samples, and its force platforms. Other kinds have
// none, and give empty fields.
class AnalogTake {
public:
    AnalogTake() : analog_(std::make_unique<tovfileio::C3DAnalog>()) {}

    // Asks the read of a take of `kind` to keep them, where it has any.
    void Ask(tovfileio::FileKind kind, tovfileio::MarkerReadOptions& options);

    // Adds analogs, analog_labels, analog_units, analog_rate,
    // analog_samples_per_frame and platforms to a Markers take's `fields`,
    // each platform's loads with its ZERO baseline off when `zeroPlates`.
    // The samples go to the array; the take is empty after. Needs the
    // interpreter's lock (it lets go of it while the loads are worked out).
    void AddFields(pybind11::dict& fields, bool zeroPlates);

private:
    pybind11::list PlatformObjects(bool zeroPlates) const;
    pybind11::array_t<double> TakeSamples();

    std::unique_ptr<tovfileio::C3DAnalog> analog_;
    std::vector<tovfileio::ForcePlatform> platforms_;
};

}  // namespace tovpy
