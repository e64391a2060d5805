// The side a name says, over the naming styles of marker sets and skeletons,
// and the names that only look as if they said one.
#include <gtest/gtest.h>

#include <vector>

#include "view/NodeSide.h"

namespace {

using tovview::Side;
using tovview::SideOfName;

TEST(NodeSideTest, NamesSayTheirSide) {
    const struct {
        Side side;
        std::vector<const char*> names;
    } groups[] = {
        // Marker sets: a letter before capitals or digits.
        {Side::kLeft, {"LFHD", "LUPA", "LRIB", "L12"}},
        {Side::kRight, {"RKNE", "RMT5"}},
        {Side::kNone, {"C7", "STRN", "T10"}},
        // Skeletons: a letter, a word or a part set off.
        {Side::kLeft, {"LClavicle", "lHand", "L_Knee", "l-elbow", "Lt_Hip", "LeftUpLeg", "leftfoot",
                       "Character1_LeftHand", "ArmLeft", "ARM_LEFT", "Knee_L", "Ankle L", "thigh.L.001",
                       "LOWERLEG_L", "a|b:LeftArm", "L"}},
        {Side::kRight, {"RThigh", "rFoot", "R.Ankle", "RT_HIP", "RightHand", "RIGHTARM", "Hand_Right",
                        "thigh.R", "hand_r", "Bip01 R Forearm", "rig:RKNE", "R"}},
        // Words that begin with the letter, and lower case run together.
        {Side::kNone, {"Root", "ROOT", "LOWERBACK", "LowerBack", "RIBS", "Ribs", "REF", "RING1", "Leg",
                       "rfoot", "lowerneck", "Bright", "Cleft", "UPRIGHT", "Spine_Lower"}},
        // Lab marker sets: a side set off by a separator, a case change or
        // a paired landmark's code.
        {Side::kLeft, {"ASISl", "Daphnee:PSISl", "LASI", "L_ASIS", "LIPS", "l asis_2", "hipL"}},
        {Side::kRight, {"ASISr", "STERr", "RASI", "R_ASIS", "ASIS_R", "r.knee", "RIPS", "KneeR"}},
        // Lab names that only begin with the letter, a two-letter code, and
        // a letter after a landmark that says lateral, medial or radial.
        {Side::kNone, {"LARMm", "LARM_elb", "LATH", "LASTC", "Lumbar", "LUMBAR", "SCAP_RS", "EPICl",
                       "ARMl", "CLAVm", "STYLr", "Head", "Clav", "CLAV_AC"}},
        // Lumbar vertebrae.
        {Side::kNone, {"L1", "L5", "L5S1", "L4L5"}},
        // Nothing to go on.
        {Side::kNone, {"", "_", "Hips", "Head", "\xc3\x84rm"}},
    };
    for (const auto& [side, names] : groups) {
        for (const char* name : names) EXPECT_EQ(SideOfName(name), side) << name;
    }
}

}  // namespace
