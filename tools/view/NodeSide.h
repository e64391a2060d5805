// Which side of the body a bone or marker is on, from its name alone, so
// that a drawing can tell left from right at a glance.
#pragma once

#include <string_view>

namespace tovview {

enum class Side { kNone, kLeft, kRight };

// The side `name` (UTF-8) says, in the usual naming styles of markers and
// bones, read from a side set off as a part of its own: a part "L", "R",
// "Lt", "Rt", "Left" or "Right" (any case) between '_', '.', ' ' or '-'
// ("L_Knee", "thigh.L", "Bip01 R Hand", "r.knee", "ASIS_R"); a part
// beginning with "Left" or "Right" (any case: "LeftUpLeg", "rightfoot") or
// ending in "Left" or "Right" capitalised ("ArmLeft"); an "L" or "R" of
// either case before a capital or a digit ("LFHD", "RASI", "lHand",
// "RMT5"); a capital "L" or "R" ending a part in lower case ("KneeR"); a
// lower-case "l" or "r" after the code of a landmark of both sides of the
// pelvis or chest ("ASISr", "PSISl"). Whatever stands before a ':' or '|'
// is a namespace or path and is passed over. Not a side: a word that only
// begins with the letter ("Root", "Leg", "rfoot", since run-together lower
// case cannot be told), capitals that spell a word of the body or rig
// ("LOWERBACK", "RIBS", "LARM" for the lower arm, "LATH" for the lateral
// hand), a letter and one capital ("SCAP_RS"), an "l" or "r" after another
// landmark, where it says lateral or radial ("EPICl", "STYLr"), and the
// lumbar vertebrae ("L1" to "L5", "L5S1").
Side SideOfName(std::string_view name);

// "left", "right" or "" for `side`, as the player page reads it.
const char* SideWord(Side side);

}  // namespace tovview
