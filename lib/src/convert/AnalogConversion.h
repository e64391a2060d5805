// A C3D file's analog channels, or its force platforms' forces, written to
// a CSV file as the reader streams them.
#pragma once

#include "tovfileio/convert/Conversion.h"

namespace tovfileio {

// request.content is kAnalog or kForces.
ConversionResult AnalogToCsv(const ConversionRequest& request);

}  // namespace tovfileio
