#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/PoseCheck.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/bvh/BVHReader.h"
#include "tovfileio/htr/HTRPose.h"

using namespace tovfileio;

namespace {

// A one-frame file: a root and one child joint with an End Site.
std::string TwoJoints(const std::string& rootOffset, const std::string& rootChannels,
                      const std::string& childOffset, const std::string& values) {
    return "HIERARCHY\nROOT R\n{\n OFFSET " + rootOffset + "\n CHANNELS " + rootChannels +
           "\n JOINT C\n {\n  OFFSET " + childOffset +
           "\n  CHANNELS 3 Zrotation Yrotation Xrotation\n  End Site\n  {\n   OFFSET 0 2 0\n  "
           "}\n }\n}\nMOTION\nFrames: 1\nFrame Time: 0.04\n" +
           values + " 0 0 0\n";
}

TEST(BVHReader, ReadsJointsInTheWorldAsChannelsPlaceThem) {
    struct Case {
        const char* label;
        std::string text;
        std::uint32_t segments;
        std::int32_t rate;
        const wchar_t* joint;  // whose world position at frame 0 is checked
        double x, y, z;
    };
    const std::string twoRoots =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xposition Yposition Zposition\n}\n"
        "ROOT B\n{\nOFFSET 1 0 0\nCHANNELS 6 Xposition Yposition Zposition Zrotation Yrotation "
        "Xrotation\n}\nMOTION\nFrames: 1\nFrame Time: 0.01\n1 2 3 4 5 6 0 0 0\n";
    const std::string untidy =
        "HIERARCHY\r\nROOT\tA {\r\n\tOFFSET\t0  0 0 \r\n\tCHANNELS 3 Xposition Yposition "
        "Zposition\t\r\n\tJOINT B\r\n\t{\r\n\t\tOFFSET 0 0 1\r\n\t\tCHANNELS 0\r\n\t\tEnd "
        "Site\r\n\t\t{ \r\n\t\tOFFSET 1 1 1\r\n\t\t}\r\n\t}\r\n}\r\nMOTION\r\nFrames: 2\r\n"
        "Frame Time: .0083333\r\n\r\n 1\t2 3 \r\n\r\n-1 -2 -3\r\n\r\n";
    const std::string movingChild =
        "HIERARCHY\nROOT R\n{\nOFFSET 0 0 0\nCHANNELS 1 Zrotation\nJOINT C\n{\nOFFSET 1 0 0\n"
        "CHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation Zrotation\n}\n}\n"
        "MOTION\nFrames: 1\nFrame Time: 0.5\n90 0 3 0 0 0 0\n";
    const Case cases[] = {
        {"positions then Z Y X", TwoJoints("0 0 0", "6 Xposition Yposition Zposition Zrotation "
                                           "Yrotation Xrotation", "0 2 0", "1 2 3 90 0 0"),
         2, 25, L"C", -1, 2, 3},
        {"X turn outside the Y turn", TwoJoints("0 0 0", "3 Xrotation Yrotation Zrotation",
                                                "0 0 1", "90 90 0"),
         2, 25, L"C", 1, 0, 0},
        {"Y turn outside the X turn", TwoJoints("0 0 0", "3 Yrotation Xrotation Zrotation",
                                                "0 0 1", "90 90 0"),
         2, 25, L"C", 0, -1, 0},
        {"rotations before positions", TwoJoints("0 0 0", "6 Zrotation Xrotation Yrotation "
                                                 "Xposition Yposition Zposition", "1 0 0",
                                                 "90 0 0 5 6 7"),
         2, 25, L"C", 5, 7, 7},
        {"root positions add to its OFFSET", TwoJoints("10 0 0", "6 Xposition Yposition "
                                                       "Zposition Zrotation Yrotation Xrotation",
                                                       "0 1 0", "1 2 3 0 0 0"),
         2, 25, L"R", 11, 2, 3},
        {"several roots", twoRoots, 2, 100, L"B", 5, 5, 6},
        {"CRLF, tabs, trailing blanks, blank frame lines", untidy, 2, 120, L"B", 1, 2, 4},
        {"positions below the root add to the OFFSET, in the parent's turn", movingChild, 2, 2,
         L"C", -3, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HTRFile htr;
        ASSERT_EQ(ReadBVHMemory(c.text, htr), L"");
        EXPECT_EQ(htr.SegmentCount(), c.segments);
        EXPECT_EQ(htr.GetDataFrameRate(), c.rate);
        tovtest::ExpectPlacedAt(htr, c.joint, 0, c.x, c.y, c.z);
    }
}

TEST(BVHReader, LinksRootsAndTakesBoneLengthsFromTheLongestChild) {
    HTRFile htr;
    ASSERT_EQ(ReadBVHMemory(TwoJoints("0 0 0", "3 Zrotation Yrotation Xrotation", "3 4 0",
                                      "0 0 0"),
                            htr),
              L"");
    const HTRSegment* root = htr.FindSegment(L"R");
    const HTRSegment* child = htr.FindSegment(L"C");
    ASSERT_TRUE(root && child);
    EXPECT_TRUE(root->IsRoot());
    EXPECT_FALSE(child->IsRoot());
    EXPECT_EQ(child->GetParent(), root);
    EXPECT_DOUBLE_EQ(root->GetBoneLength(), 5.0);   // to the child joint
    EXPECT_DOUBLE_EQ(child->GetBoneLength(), 2.0);  // to its End Site
    EXPECT_EQ(htr.GetNumFrames(), 1u);
    EXPECT_EQ(child->FrameCount(), 1u);
    // A hip with two legs reaches the farther, never 0 (a bone of length 0
    // cannot be drawn).
    ASSERT_EQ(ReadBVHMemory("HIERARCHY\nROOT H\n{\nOFFSET 0 0 0\nCHANNELS 0\n"
                            "JOINT L\n{\nOFFSET 1 0 0\nCHANNELS 0\nEnd Site\n{\nOFFSET 0 -1 0\n}\n}\n"
                            "JOINT R\n{\nOFFSET -3 0 0\nCHANNELS 0\nEnd Site\n{\nOFFSET 0 -1 0\n}\n}\n"
                            "}\nMOTION\nFrames: 0\nFrame Time: 0.01\n",
                            htr),
              L"");
    EXPECT_DOUBLE_EQ(htr.FindSegment(L"H")->GetBoneLength(), 3.0);
}

TEST(BVHReader, RefusesNamingLineColumnAndWhatWasExpected) {
    const std::string good = TwoJoints("0 0 0", "3 Zrotation Yrotation Xrotation", "0 1 0", "0 0 0");
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        std::string text;
        const wchar_t* message;
    };
    const Case cases[] = {
        {"", L"The file is empty"},
        {"ROOT A\n", L"Line 1, column 1: expected HIERARCHY, found \"ROOT\""},
        {replaced("CHANNELS 3 Z", "CHANNELS 7 Z"),
         L"Line 5, column 11: expected a channel count from 0 to 6 after CHANNELS, found \"7\""},
        {replaced("Yrotation Xrotation\n JOINT", "Wrotation Xrotation\n JOINT"),
         L"Line 5, column 23: expected a channel name (Xposition, Yposition, Zposition, "
         L"Xrotation, Yrotation, Zrotation), found \"Wrotation\""},
        {replaced("Yrotation Xrotation\n JOINT", "Zrotation Xrotation\n JOINT"),
         L"Line 5, column 23: the channel Zrotation is listed a second time"},
        {replaced("JOINT C", "JOINT R"), L"Line 6, column 8: the joint name \"R\" is used a second time"},
        {replaced("OFFSET 0 1 0", "OFFSET 0 1"),
         L"Line 8, column 13: the line ends where three numbers after OFFSET belongs"},
        {replaced("   OFFSET 0 2 0\n  }", "   OFFSET 0 2 0\n   CHANNELS 0\n  }"),
         L"Line 13, column 4: expected } to close the End Site, found \"CHANNELS\""},
        {replaced("0.04\n0 0 0 0 0 0", "0.04\n0 0 0 0 0"),
         L"Line 19, column 10: frame 1 holds 5 values, the channels take 6"},
        {replaced("0.04\n0 0 0 0 0 0", "0.04\n0 0 0 0 0 0 7"),
         L"Line 19, column 13: frame 1 holds more values than the channels take (6)"},
        {replaced("0.04\n0 0 0", "0.04\n0 x 0"), L"Line 19, column 3: expected a number, found \"x\""},
        {replaced("Frames: 1", "Frames: 2"), L"Line 19: the file ends after 1 frames, Frames: gives 2"},
        // Counts no file could hold are refused where the frames end, nothing made for them.
        {replaced("Frames: 1", "Frames: 1000000000"),
         L"Line 19: the file ends after 1 frames, Frames: gives 1000000000"},
        {replaced("Frames: 1", "Frames: 4294967295"),
         L"Line 19: the file ends after 1 frames, Frames: gives 4294967295"},
        {replaced("Frames: 1", "Frames: 0"), L"Line 19, column 1: more frame lines than Frames: gives (0)"},
        {replaced("Frame Time: 0.04", "Frame Time: 0"),
         L"Line 18, column 13: expected a frame time in seconds above 0, found \"0\""},
        {replaced(" }\n}\nMOTION", " }\nMOTION"),
         L"Line 15, column 1: expected CHANNELS, JOINT, End Site or }, found \"MOTION\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HTRFile htr;
        EXPECT_EQ(ReadBVHMemory(c.text, htr), c.message);
    }
}

TEST(BVHReader, DeepChainsStayBounded) {
    constexpr int kDepth = 100000;
    std::string text = "HIERARCHY\nROOT j0\n{\nOFFSET 0 1 0\nCHANNELS 1 Zrotation\n";
    for (int i = 1; i < kDepth; ++i) {
        text += "JOINT j" + std::to_string(i) + "\n{\nOFFSET 0 1 0\nCHANNELS 1 Zrotation\n";
    }
    for (int i = 0; i < kDepth; ++i) text += "}\n";
    text += "MOTION\nFrames: 1\nFrame Time: 0.01\n90";
    for (int i = 1; i < kDepth; ++i) text += " 0";
    HTRFile htr;
    ASSERT_EQ(ReadBVHMemory(text, htr), L"");
    ASSERT_EQ(htr.SegmentCount(), std::uint32_t(kDepth));
    HTRPose pose(htr);
    pose.At(0);
    // The root turns the whole chain a quarter turn: +Y becomes -X.
    EXPECT_NEAR(pose.WorldPosition(kDepth - 1).x(), -(kDepth - 1), 1e-6);
    EXPECT_NEAR(SkeletonSize(htr), kDepth - 1, 1e-6);
}

TEST(BVHReader, ReadsEveryCorpusFile) {
    if (tovtest::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
    struct Case {
        const char* file;
        std::uint32_t segments, frames;
        std::int32_t rate;
        double root[3];       // the root's translation at frame 0
        const wchar_t* joint;  // a joint and its OFFSET
        double offset[3];
    };
    const Case cases[] = {
        {"cmu_12_01_walk.bvh", 31, 524, 120, {0.0265, 16.2134, -25.4911}, L"LeftUpLeg",
         {2.10660, -1.59283, 1.11709}},
        {"pybvh-test2.bvh", 23, 61, 120, {148.829378, 95.538178, -16.391471}, L"Chest",
         {0, 10.472350, -0.000389}},
        {"rotation_first_root.bvh", 4, 4, 25, {10, 50, -20}, L"Spine", {0, 10, 0}},
        {"standard_skeleton.bvh", 24, 1, 120, {0, 0, 0}, L"Spine", {0, -0.38, 4}},
    };
    std::size_t read = 0;
    for (const auto& path : tovtest::CorpusFiles("bvh", ".bvh")) {
        SCOPED_TRACE(path.string());
        HTRFile htr;
        ASSERT_EQ(ReadBVH(tovtest::Wide(path), htr), L"");
        for (const Case& c : cases) {
            if (path.filename() != c.file) continue;
            ++read;
            EXPECT_EQ(htr.SegmentCount(), c.segments);
            EXPECT_EQ(htr.GetNumFrames(), c.frames);
            EXPECT_EQ(htr.FramesHeld(), c.frames);
            EXPECT_EQ(htr.GetDataFrameRate(), c.rate);
            const HTRSegment* joint = htr.FindSegment(c.joint);
            ASSERT_NE(joint, nullptr);
            for (int k = 0; k < 3; ++k) {
                EXPECT_DOUBLE_EQ(htr.RootSegment()->FrameTranslationAbsolute(0)[k], c.root[k]);
                EXPECT_DOUBLE_EQ(joint->BaseTranslation()[k], c.offset[k]);
            }
        }
    }
    EXPECT_EQ(read, std::size(cases));
}

}  // namespace
