// The HTR import as the host runs it: a skeleton built and keyed in the
// scene, in create and apply mode, and what it does with hostile files.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "tovfileio/math/TOVRotation.h"
#include "tovfileio/module/ClassIds.h"
#include "tests/module/import_htr/ImportChoices.h"
#include "tests/support/CapturingDriver.h"
#include "tests/support/PluginTestHost.h"

using namespace tovfileio;

namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;
using tovtest::CapturingDriver;
using tovtest::HtrChoices;

constexpr Class_ID kImportHtr = kImportHtrClassId;
constexpr double kDeg = 3.141592653589793 / 180.0;

struct Segment {
    const char* name;
    const char* parent;
    double base[7];  // tx ty tz rx ry rz (degrees) length
};

// Root, Child and Leaf.
const std::vector<Segment> kSkeleton = {
    {"Root", "GLOBAL", {10, 20, 30, 0, 0, 0, 100}},
    {"Child", "Root", {1, 2, 3, 10, 20, 30, 80}},
    {"Leaf", "Child", {0, 50, 0, 0, 0, 0, 50}},
};

// An HTR file of `skeleton` whose frame f (from 0) moves every segment by
// (f, 2f, 3f) and turns it by (f, -f, 2f) degrees; `header` adds lines.
std::string SkeletonHtr(int frames, int first = 1, const std::string& header = "",
                        const std::vector<Segment>& skeleton = kSkeleton) {
    std::ostringstream text;
    text << "[Header]\nNumSegments " << skeleton.size() << "\nNumFrames " << frames
         << "\nDataFrameRate 60\n" << header << "[SegmentNames&Hierarchy]\n";
    for (const Segment& s : skeleton) text << s.name << '\t' << s.parent << '\n';
    text << "[BasePosition]\n";
    for (const Segment& s : skeleton) {
        text << s.name;
        for (double v : s.base) text << '\t' << v;
        text << '\n';
    }
    for (const Segment& s : skeleton) {
        text << '[' << s.name << "]\n";
        for (int f = 0; f < frames; ++f) {
            text << first + f << '\t' << f << '\t' << 2 * f << '\t' << 3 * f << '\t' << f << '\t'
                 << -f << '\t' << 2 * f << "\t1\n";
        }
    }
    return text.str() + "[EndOfFile]\n";
}

// A track's keys as (time, value) pairs, to compare whole.
template <typename Value>
std::vector<std::pair<TimeValue, Value>> Keys(const brindle::host::KeyTrack<Value>& track) {
    std::vector<std::pair<TimeValue, Value>> keys;
    for (const auto& key : track.Keys()) keys.emplace_back(key.time, key.value);
    return keys;
}

void ExpectNear(const Point3& a, const Point3& b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// The row-vector matrix of angles in degrees in the file's order (ZYX).
TOVRotationMatrix3<double> FileRotation(double x, double y, double z) {
    return TOVRotationMatrix3<double>(TOVEulerRotation<double>(x * kDeg, y * kDeg, z * kDeg));
}

// What a rotation of the file is in the host's axes: the file's x axis is
// the host's z, y is x and z is y; the root turns once more.
TOVRotationMatrix3<double> InHostAxes(const TOVRotationMatrix3<double>& r, bool root) {
    // P: the permutation taking file axes to host axes, as rows.
    const TOVRotationMatrix3<double> p(0, 1, 0, 0, 0, 1, 1, 0, 0);
    TOVRotationMatrix3<double> q = p.Transposed().Multiply(r).Multiply(p);  // p * r * p^T
    if (root) q = TOVRotationMatrix3<double>(0, 0, 1, 0, -1, 0, 1, 0, 0).Multiply(q);
    return q;
}

void ExpectRotation(const Quat& host, const TOVRotationMatrix3<double>& expected) {
    const Matrix3 m = QuatMatrix(host);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m[r][c], expected(r, c), 2e-6) << "element " << r << c;
    }
}

class ImportHTRTest : public tovtest::PluginTestHost {
protected:
    int ImportText(const std::string& text, const HtrChoices& choices, std::string* messages = nullptr) {
        CapturingDriver driver;
        tovtest::ChooseImport(driver.Driver(), choices);
        const std::string path = dir_.Write("walk.take.htr", text).string();
        const int result = Import(kImportHtr, path, driver.Driver());
        if (messages != nullptr) *messages = driver.Messages();
        return result;
    }
    // A skeleton with no keys, for the apply mode to key.
    void ImportBare(const std::string& text, bool endEffectors = false) {
        const HtrChoices bare{.endEffectors = endEffectors, .keyBase = false, .animate = false};
        ASSERT_EQ(ImportText(text, bare), 1);
    }
    static HtrChoices Apply() { return {.apply = true}; }
};

TEST_F(ImportHTRTest, CreateModeBuildsTheSkeletonUnderADummyNamedAfterTheFile) {
    std::string messages;
    ASSERT_EQ(ImportText(SkeletonHtr(3), {.endEffectors = true}, &messages), 1) << messages;
    EXPECT_EQ(messages, "");
    Scene& scene = Scene::Current();
    EXPECT_EQ(scene.Nodes().size(), 5u);
    EXPECT_EQ(scene.FrameRate(), 60);
    SceneNode& dummy = Node(L"walk.take");
    EXPECT_TRUE(dummy.GetParentNode()->IsRootNode());
    EXPECT_EQ(Node(L"Root").Parent(), &dummy);
    EXPECT_EQ(Node(L"Child").Parent(), &Node(L"Root"));
    EXPECT_EQ(Node(L"Leaf_Effector").Parent(), &Node(L"Leaf"));

    // Bones: length, thickness 0.2 x length x size.
    auto& leafBlock = Node(L"Leaf").HeldObject()->Block();
    EXPECT_EQ(leafBlock.GetFloat(3, 0), 50.0f);
    EXPECT_EQ(leafBlock.GetFloat(0, 0), 10.0f);
    EXPECT_TRUE(Node(L"Leaf").GetBoneNodeOnOff());
    // The end effector: a cube of 0.2 x the leaf's length, at the leaf's tip.
    auto& effector = Node(L"Leaf_Effector");
    EXPECT_EQ(effector.HeldObject()->Block().GetFloat(3, 0), 10.0f);
    ExpectNear(effector.Transform().Position().HeldValue(), Point3(50, 0, 0));

    // Frame 3 (index 2) in the host's axes: the child's position is its base
    // plus (2, 4, 6) as (y, z, x); its rotation is (2, -2, 4) degrees after
    // the base rotation, and the root's turns once more. The saved pose the
    // exporter reads back is RoundtripCommandTest's.
    const auto& childKeys = Node(L"Child").Transform().Position().Track();
    ASSERT_EQ(childKeys.Keys().size(), 4u);
    ExpectNear(childKeys[3].value, Point3(2 + 4, 3 + 6, 1 + 2));
    ExpectRotation(Node(L"Root").Transform().Rotation().Track()[3].value,
                   InHostAxes(FileRotation(2, -2, 4), true));
    ExpectRotation(Node(L"Child").Transform().Rotation().Track()[3].value,
                   InHostAxes(FileRotation(10, 20, 30).Multiply(FileRotation(2, -2, 4)), false));
}

// Which frames are keyed where, and the animation range, for the options of
// the time group.
TEST_F(ImportHTRTest, FramesKeyedFollowRangeOffsetAndAnimation) {
    // The root's position keys in frames, the animation range, and the file
    // frame (from 1) of the first frame key.
    auto frames = [](int first, int last) { return Interval(first * 80, last * 80); };
    struct Case {
        const char* name;
        std::optional<std::pair<std::wstring, std::wstring>> range;
        const wchar_t* offset;
        bool keyBase, animate;
        std::vector<int> keyFrames;
        int firstKeyedFileFrame;
        std::optional<Interval> animationRange;
    };
    const Case cases[] = {
        {"all frames", std::nullopt, L"0", true, true, {0, 1, 2, 3, 4, 5}, 1, frames(0, 5)},
        {"range and offset", std::make_pair(L"2", L"3"), L"5", true, true, {6, 7, 8}, 2, frames(0, 7)},
        {"negative offset", std::nullopt, L"-3", false, true, {-2, -1, 0, 1, 2}, 1, frames(1, 2)},
        {"base only", std::nullopt, L"0", true, false, {0}, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        Scene::Current().Clear();
        const HtrChoices choices{.keyBase = c.keyBase, .animate = c.animate, .offset = c.offset,
                                 .range = c.range};
        std::string messages;
        ASSERT_EQ(ImportText(SkeletonHtr(5), choices, &messages), 1) << c.name << messages;
        const auto& keys = Node(L"Root").Transform().Position().Track();
        std::vector<int> keyFrames;
        for (const auto& key : keys.Keys()) keyFrames.push_back(key.time / 80);
        EXPECT_EQ(keyFrames, c.keyFrames) << c.name;
        EXPECT_EQ(Scene::Current().AnimationRange(), c.animationRange) << c.name;
        if (c.firstKeyedFileFrame > 0) {
            const float f = float(c.firstKeyedFileFrame - 1);
            ExpectNear(keys[c.keyBase ? 1 : 0].value, Point3(10 + f, -(30 + 3 * f), 20 + 2 * f));
        }
    }
}

TEST_F(ImportHTRTest, ApplyModeOntoACreatedSkeletonGivesTheSameKeys) {
    ASSERT_EQ(ImportText(SkeletonHtr(4), {.tcb = true}), 1);
    std::vector<std::vector<std::pair<TimeValue, Quat>>> rotations;
    std::vector<std::vector<std::pair<TimeValue, Point3>>> positions;
    const wchar_t* const names[] = {L"Root", L"Child", L"Leaf"};
    for (const wchar_t* name : names) {
        rotations.push_back(Keys(Node(name).Transform().Rotation().Track()));
        positions.push_back(Keys(Node(name).Transform().Position().Track()));
        EXPECT_EQ(Node(name).Transform().Rotation().ClassID(), TCB_ROTATION_CLASS_ID);
    }

    // A bare skeleton, then its motion applied through the selected dummy.
    Scene::Current().Clear();
    ImportBare(SkeletonHtr(4));
    EXPECT_EQ(Node(L"Root").Transform().Position().NumKeys(), 0);
    Scene::Current().Select(&Node(L"walk.take"));
    const HtrChoices apply{.apply = true, .tcb = true};
    std::string messages;
    ASSERT_EQ(ImportText(SkeletonHtr(4), apply, &messages), 1) << messages;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Keys(Node(names[i]).Transform().Rotation().Track()), rotations[i]) << names[i];
        EXPECT_EQ(Keys(Node(names[i]).Transform().Position().Track()), positions[i]) << names[i];
    }
    // Importing again over the same frames replaces the keys, adding none.
    ASSERT_EQ(ImportText(SkeletonHtr(4), apply), 1);
    EXPECT_EQ(Node(L"Leaf").Transform().Position().NumKeys(), 5);
}

// The branch keyed is the selected node's: a renamed bone below it and the
// bones above it are left alone. Below the root the first child bone of
// each name is keyed: not a second bone of the name, nor a dummy before it.
TEST_F(ImportHTRTest, ApplyModeKeysTheSelectedBranchByName) {
    ImportBare(SkeletonHtr(2));
    Node(L"Leaf").SetName(L"Renamed");
    Scene::Current().Select(&Node(L"Child"));
    ASSERT_EQ(ImportText(SkeletonHtr(2), Apply()), 1);
    EXPECT_EQ(Node(L"Root").Transform().Position().NumKeys(), 0);
    EXPECT_EQ(Node(L"Child").Transform().Position().NumKeys(), 3);
    EXPECT_EQ(Node(L"Renamed").Transform().Position().NumKeys(), 0);

    Scene::Current().Clear();
    ImportBare(SkeletonHtr(2));
    SceneNode& root = Node(L"Root");
    SceneNode* child = &Node(L"Child");
    SceneNode* leaf = &Node(L"Leaf");
    SceneNode* secondChild = AddNode(GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID, L"Child", &root);
    SceneNode* dummyLeaf = AddNode(HELPER_CLASS_ID, DUMMY_CLASS_ID, L"Leaf", child);
    child->AttachChild(leaf, 0);  // now after the dummy
    Scene::Current().Select(&root);
    ASSERT_EQ(ImportText(SkeletonHtr(2), Apply()), 1);
    EXPECT_EQ(child->Transform().Position().NumKeys(), 3);
    EXPECT_EQ(leaf->Transform().Position().NumKeys(), 3);
    EXPECT_EQ(secondChild->Transform().Position().NumKeys(), 0);
    EXPECT_EQ(dummyLeaf->Transform().Position().NumKeys(), 0);
}

// Refusals of apply mode: a message, and nothing created or keyed. Apply
// with nothing selected is ImportHtrCommandTest's.
TEST_F(ImportHTRTest, ApplyModeRefusalsExplainAndChangeNothing) {
    ImportBare(SkeletonHtr(2));
    Scene& scene = Scene::Current();
    auto biped = brindle::host::NewSceneObject(HELPER_CLASS_ID, POINTHELP_CLASS_ID);
    scene.CreateNode(std::move(biped), BIPBODY_CONTROL_CLASS_ID)->SetName(L"Bip01");
    Node(L"Child").SetName(L"Elsewhere");
    struct Case { std::vector<const wchar_t*> selection; const char* message; };
    const Case cases[] = {
        {{L"Root", L"Bip01"}, "Import Error: You can't import .htr directly onto a biped node.\n"},
        {{L"Elsewhere"},
         "Import Error: Please select a branch to apply to that exists in the source HTR file.\n"},
    };
    for (const Case& c : cases) {
        scene.ClearSelection();
        for (const wchar_t* name : c.selection) scene.Select(&Node(name));
        const std::size_t nodes = scene.Nodes().size();
        std::string messages;
        EXPECT_EQ(ImportText(SkeletonHtr(2), Apply(), &messages), 0);
        EXPECT_EQ(messages, c.message);
        EXPECT_EQ(scene.Nodes().size(), nodes);
        EXPECT_EQ(Node(L"Root").Transform().Position().NumKeys(), 0);
    }
}

// The reader's own refusals are HTRReaderTest's and a file without frames
// SceneCommandsTest.FailuresSayTheirCauseAndChangeNothing's; here, how the
// importer reports a file it cannot or will not take as it is.
TEST_F(ImportHTRTest, FileProblemsAreReportedAndBuildNothing) {
    struct Case { const char* name; std::string text; int result; const char* message; };
    std::string noRoot = SkeletonHtr(2);
    noRoot.replace(noRoot.find("Root\tGLOBAL"), 11, "Root\tLeaf");
    const Case cases[] = {
        {"scale factor", SkeletonHtr(2, 1, "ScaleFactor 1.0001\n"), 1,
         "ImportHTR Warning: ScaleFactor is not 1.0, this plugin does not support the "
         "ScaleFactor header variable.\n"},
        {"no root", noRoot, 0,
         "ImportHTR Error: The file has no root segment: no segment names GLOBAL as its "
         "parent.\n"},
        {"far beyond time", SkeletonHtr(2, 2000000000), 0,
         "ImportHTR Error: The frames to import lie outside the time range of the scene.\n"},
    };
    for (const Case& c : cases) {
        Scene::Current().Clear();
        std::string messages;
        EXPECT_EQ(ImportText(c.text, HtrChoices(), &messages), c.result) << c.name;
        EXPECT_EQ(messages, c.message) << c.name;
        EXPECT_EQ(Scene::Current().Nodes().empty(), c.result == 0) << c.name;
    }
}

TEST_F(ImportHTRTest, HostileFilesImportInBoundedTimeAndMemory) {
    // A header claiming two billion frames over two frames held: a warning,
    // and only the frames held are keyed.
    std::string claims = SkeletonHtr(2);
    claims.replace(claims.find("NumFrames 2"), 11, "NumFrames 2000000000");
    std::string messages;
    ASSERT_EQ(ImportText(claims, HtrChoices(), &messages), 1);
    EXPECT_EQ(messages,
              "ImportHTR Warning: The header of this file claims 2000000000 frames, but the file "
              "holds 2; only the frames it holds are imported.\n");
    EXPECT_EQ(Node(L"Root").Transform().Position().NumKeys(), 3);

    // A chain of 20,000 segments: built and keyed without deep recursion,
    // and without walking up the chain for every segment.
    std::vector<std::string> names(20000);
    std::vector<Segment> chain;
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = "S" + std::to_string(i);
        chain.push_back({names[i].c_str(), i == 0 ? "GLOBAL" : names[i - 1].c_str(),
                         {0, 1, 0, 0, 0, 0, 1}});
    }
    Scene::Current().Clear();
    ASSERT_EQ(ImportText(SkeletonHtr(1, 1, "", chain), {.endEffectors = true}), 1);
    EXPECT_EQ(Scene::Current().Nodes().size(), names.size() + 2);  // the dummy, the effector
}

}  // namespace
