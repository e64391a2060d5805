// What `tovfileio info` says of a C3D file's analog channels and force
// platforms, after its markers.
#pragma once

#include <string>
#include <vector>

#include "tovfileio/c3d/C3DAnalog.h"

// "  Analog channels:   69 at 2000 samples/s (10 a frame)" and a line a
// channel (label, units, description), then "  Force platforms:   2" and a
// line a platform (type, size, centre, channels); nothing for a file of
// neither. `pointUnits` names the corners' unit ("mm").
std::string AnalogText(const tovfileio::C3DAnalog& analog,
                       const std::vector<tovfileio::ForcePlatform>& platforms,
                       const std::string& pointUnits);

// `record` (one JSON object and a line feed) with "analog" (rate,
// samples_per_frame, channels: label, units, description) and "platforms"
// (type, corners, origin, channels) added.
std::string WithAnalogJson(const std::string& record, const tovfileio::C3DAnalog& analog,
                           const std::vector<tovfileio::ForcePlatform>& platforms);
