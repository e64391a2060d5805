// A skeleton's joints as markers: the world position of every segment at
// every frame, streamed as rows of a marker take named after the segments.
#pragma once

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// Gives `rows` a header (a marker per segment, the skeleton's units, rate,
// first frame and frame count) and a row per frame of the header's count
// (frames past a segment's own read as no motion). False when the sink
// stopped the stream.
bool StreamJointPositions(const HTRFile& skeleton, TRCRowSink& rows);

}  // namespace tovfileio
