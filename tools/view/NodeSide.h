// Which side of the body a bone or marker is on, from its name alone, so
// that a drawing can tell left from right at a glance.
#pragma once

#include <string_view>

namespace tovview {

enum class Side { kNone, kLeft, kRight };

// The side `name` (UTF-8) says, in the usual naming styles of markers and
// bones: a part "L", "R", "Lt", "Rt", "Left" or "Right" (any case) set off by
// '_', '.', ' ' or '-' ("L_Knee", "thigh.L", "Bip01 R Hand", "hand_r"); a
// name beginning with "Left" or "Right" (any case: "LeftUpLeg", "rightfoot")
// or ending in "Left" or "Right" capitalised ("ArmLeft", "ARM_RIGHT"); an "L"
// or "R" of either case before a capital or a digit ("LFHD", "RKNE",
// "lHand", "RMT5"). Whatever stands before a ':' or '|' is a namespace or
// path and is passed over. Not a side: a word that only begins with the
// letter ("Root", "Leg", "rfoot", since run-together lower case cannot be
// told), capitals that spell a word of the body or rig ("LOWERBACK",
// "RIBS", "ROOT"), and the lumbar vertebrae ("L1" to "L5", "L5S1").
Side SideOfName(std::string_view name);

// "left", "right" or "" for `side`, as the player page reads it.
const char* SideWord(Side side);

}  // namespace tovview
