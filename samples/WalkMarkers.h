// Optical markers on a skeleton: each marker is fixed at an offset in the
// frame of one segment of an HTR skeleton and moves with it frame by frame,
// written as a TRC file in the skeleton's units and axes, so that a scene
// holding both shows the markers on the bones. samples/walk.trc is what
// this makes of samples/walk.htr (samples/MakeWalkMarkers.cpp).
#pragma once

#include <string>

#include "tovfileio/htr/HTRFile.h"

namespace tovsamples {

// The TRC text of the standard marker set on `skeleton`, with `name` on
// its first line: the skeleton's frames, frame rate, first frame and units,
// and one marker hidden for a few frames, as cameras lose one now and then.
// False, with `error` naming it, when a segment a marker rides on is not in
// the skeleton.
bool WalkMarkersTrc(const tovfileio::HTRFile& skeleton, const std::string& name, std::string& trc,
                    std::string& error);

}  // namespace tovsamples
