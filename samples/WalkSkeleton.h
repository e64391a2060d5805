// The skeleton sample: a person of 21 segments walking two thirds of a
// second at 60 frames a second, in mm, Y up, facing and walking along +Z.
// Each joint swings in the plane a real walk moves it in: hips and knees,
// shoulders and elbows about their X axes (forward and back), the pelvis
// and spine turning a little about Y, the pelvis dipping about Z; legs and
// arms counter-swing, and the feet come to the floor in turn.
// samples/walk.htr is what this makes (samples/MakeWalkSkeleton.cpp).
#pragma once

#include <string>

namespace tovsamples {

// The HTR text of the walk, as the HTR writer lays a file out (CRLF).
std::string WalkSkeletonHtr();

}  // namespace tovsamples
