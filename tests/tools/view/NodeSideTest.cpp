// The side a name says, over the naming styles of marker sets and skeletons,
// and the names that only look as if they said one.
#include <gtest/gtest.h>

#include "view/NodeSide.h"

namespace {

using tovview::Side;
using tovview::SideOfName;

TEST(NodeSideTest, NamesSayTheirSide) {
    const struct {
        const char* name;
        Side side;
    } cases[] = {
        // Marker sets: a letter before capitals or digits.
        {"LFHD", Side::kLeft}, {"RKNE", Side::kRight}, {"LUPA", Side::kLeft},
        {"RMT5", Side::kRight}, {"LRIB", Side::kLeft}, {"L12", Side::kLeft},
        {"C7", Side::kNone}, {"STRN", Side::kNone}, {"T10", Side::kNone},
        // Skeletons: a letter, a word or a part set off.
        {"LClavicle", Side::kLeft}, {"RThigh", Side::kRight}, {"lHand", Side::kLeft},
        {"rFoot", Side::kRight}, {"L_Knee", Side::kLeft}, {"R.Ankle", Side::kRight},
        {"l-elbow", Side::kLeft}, {"Lt_Hip", Side::kLeft}, {"RT_HIP", Side::kRight},
        {"LeftUpLeg", Side::kLeft}, {"RightHand", Side::kRight}, {"leftfoot", Side::kLeft},
        {"RIGHTARM", Side::kRight}, {"Character1_LeftHand", Side::kLeft},
        {"ArmLeft", Side::kLeft}, {"Hand_Right", Side::kRight}, {"ARM_LEFT", Side::kLeft},
        {"Knee_L", Side::kLeft}, {"thigh.R", Side::kRight}, {"Ankle L", Side::kLeft},
        {"hand_r", Side::kRight}, {"thigh.L.001", Side::kLeft}, {"Bip01 R Forearm", Side::kRight},
        {"LOWERLEG_L", Side::kLeft}, {"rig:RKNE", Side::kRight}, {"a|b:LeftArm", Side::kLeft},
        {"L", Side::kLeft}, {"R", Side::kRight},
        // Words that begin with the letter, and lower case run together.
        {"Root", Side::kNone}, {"ROOT", Side::kNone}, {"LOWERBACK", Side::kNone},
        {"LowerBack", Side::kNone}, {"RIBS", Side::kNone}, {"Ribs", Side::kNone},
        {"REF", Side::kNone}, {"RING1", Side::kNone}, {"Leg", Side::kNone},
        {"rfoot", Side::kNone}, {"lowerneck", Side::kNone}, {"Bright", Side::kNone},
        {"Cleft", Side::kNone}, {"UPRIGHT", Side::kNone}, {"Spine_Lower", Side::kNone},
        // Lumbar vertebrae.
        {"L1", Side::kNone}, {"L5", Side::kNone}, {"L5S1", Side::kNone}, {"L4L5", Side::kNone},
        // Nothing to go on.
        {"", Side::kNone}, {"_", Side::kNone}, {"Hips", Side::kNone}, {"Head", Side::kNone},
        {"\xc3\x84rm", Side::kNone},
    };
    for (const auto& c : cases) EXPECT_EQ(SideOfName(c.name), c.side) << c.name;
}

}  // namespace
