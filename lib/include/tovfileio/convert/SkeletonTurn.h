// A skeleton that stands otherwise than its format's Y up (a BVH or HTR
// figure lying on the floor, its head along Z) stood up: the whole figure
// turned as positions are turned between up axes (UpAxisTurn.h).
#pragma once

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/FileKinds.h"

namespace tovfileio {

// Turns every root segment of `skeleton` (one without a parent) from
// standing along `from` to standing along `to`: its base and frame
// translations as positions turn, and its base rotation followed by the
// turn, so every joint of every frame lands where the turn takes it. The
// frames' rotations and every other segment stay as they are.
void TurnSkeletonUp(HTRFile& skeleton, UpAxis from, UpAxis to);

}  // namespace tovfileio
