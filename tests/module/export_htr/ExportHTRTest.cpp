// The HTR export as the host runs it: the selected bone hierarchy of a scene
// as an HTR file, its dialog, and what it refuses.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/ScriptedDriver.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/module/ClassIds.h"
#include "resources/ModuleResources.h"
#include "tests/support/CapturingDriver.h"
#include "tests/support/PluginTestHost.h"

using namespace tovfileio;

namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;

constexpr Class_ID kExportHtr = kExportHtrClassId;

struct ExportChoices {
    bool savedPose = true, animate = true, parentTransforms = true;
    std::optional<std::pair<std::wstring, std::wstring>> range = {};
    std::wstring offset = L"0", scale = L"1";
};

void ChooseExport(DialogFlagDriver& driver, const ExportChoices& c) {
    driver.Choose(c.savedPose ? IDC_SAVED_POSE : IDC_CURRENT_POSE, "pose");
    driver.Check(IDC_EXPORT_ANIMATION, c.animate, "animation");
    driver.Check(IDC_PARENT_TRANSFORMS, c.parentTransforms, "parent transforms");
    driver.Choose(c.range ? IDC_FRAME_RANGE : IDC_ALL_FRAMES, "range");
    if (c.range) {
        driver.Type(IDC_FROM_FRAME, c.range->first, "from");
        driver.Type(IDC_TO_FRAME, c.range->second, "to");
    }
    driver.Type(IDC_FRAME_OFFSET, c.offset, "offset");
    driver.Type(IDC_GLOBAL_SCALE, c.scale, "scale");
}

SceneNode* Bone(const wchar_t* name, SceneNode* parent, Point3 position = Point3(), float length = 10) {
    SceneNode* node = tovtest::PluginTestHost::AddNode(GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID, name, parent);
    node->HeldObject()->Block().SetValue(3, 0, length);
    node->Transform().Position().SetHeldValue(position);
    return node;
}

SceneNode* Dummy(const wchar_t* name) {
    return tovtest::PluginTestHost::AddNode(HELPER_CLASS_ID, DUMMY_CLASS_ID, name);
}

// The saved pose's properties but the length.
const wchar_t* const kBasePose[] = {L"HTRBaseTransX", L"HTRBaseTransY", L"HTRBaseTransZ",
                                    L"HTRBaseRotX",   L"HTRBaseRotY",   L"HTRBaseRotZ"};

void ExpectTranslation(const HTRSegment* segment, double x, double y, double z) {
    ASSERT_NE(segment, nullptr);
    double a, b, c;
    segment->GetBaseTranslation(a, b, c);
    EXPECT_NEAR(a, x, 1e-5);
    EXPECT_NEAR(b, y, 1e-5);
    EXPECT_NEAR(c, z, 1e-5);
}

class ExportHTRTest : public tovtest::PluginTestHost {
protected:
    // Exports with `choices` and reads the file back; the messages shown.
    std::string ExportAndRead(const ExportChoices& choices, HTRFile& file, int expected = 1) {
        tovtest::CapturingDriver driver;
        ChooseExport(driver.Driver(), choices);
        const std::string path = (dir_.Path() / "out.htr").string();
        EXPECT_EQ(Export(kExportHtr, path, driver.Driver()), expected) << driver.Messages();
        if (expected == 1) {
            EXPECT_EQ(file.Read(tovtest::Wide(path)), L"") << driver.Messages();
        }
        return driver.Messages();
    }
};

// Nothing selected is SceneCommandsTest.ASelectionWithoutABoneNamesTheRootsToSelect's.
TEST_F(ExportHTRTest, TheRootComesFromTheSelection) {
    SceneNode* group = Dummy(L"Group");
    AddNode(HELPER_CLASS_ID, POINTHELP_CLASS_ID, L"Marker", group);
    SceneNode* spine = Bone(L"Spine", Bone(L"Hips", group));
    struct Case { const char* name; SceneNode* select; const char* message; const wchar_t* root; };
    const Case cases[] = {
        {"the second child is the first bone", group, "", L"Hips"},
        {"no bone below", Dummy(L"Empty"), "Export Error: Please select a bone object to export\n", nullptr},
        {"a bone", spine, "", L"Spine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene::Current().ClearSelection();
        Scene::Current().Select(c.select);
        HTRFile file;
        EXPECT_EQ(ExportAndRead(ExportChoices(), file, c.root != nullptr ? 1 : 0), c.message);
        if (c.root != nullptr) {
            ASSERT_NE(file.RootSegment(), nullptr);
            EXPECT_EQ(file.RootSegment()->Name(), c.root);
        }
    }
}

TEST_F(ExportHTRTest, CurrentPoseTurnsTheHostAxesBackAndLeavesOutEffectorsAndDuplicates) {
    SceneNode* root = Bone(L"Root", nullptr, Point3(1, -3, 2), 10);
    SceneNode* child = Bone(L"Child", root, Point3(1, 2, 3), 20);
    Bone(L"Child_Effector", child);
    Bone(L"Twin", root);
    Bone(L"BelowTwin", Bone(L"Twin", root));
    Scene::Current().Select(root);
    HTRFile file;
    EXPECT_EQ(ExportAndRead({.savedPose = false, .animate = false}, file),
              "ExportHTR Error: There are multiple identical names or spaces in a bone name.\n");
    // Root, Child and the first Twin; the effector and the second Twin's
    // branch are left out.
    EXPECT_EQ(file.SegmentCount(), 3u);
    ExpectTranslation(file.FindSegment(L"Root"), 1, 2, 3);
    ExpectTranslation(file.FindSegment(L"Child"), 3, 1, 2);
    EXPECT_EQ(file.FindSegment(L"BelowTwin"), nullptr);
    EXPECT_DOUBLE_EQ(file.FindSegment(L"Child")->GetBoneLength(), 20.0);
    // Without animation the model has no frames, which the writer writes as
    // one still frame.
    EXPECT_EQ(file.GetNumFrames(), 1u);
    double x, y, z;
    file.FindSegment(L"Root")->GetFrameTranslation(0, x, y, z);
    EXPECT_EQ(x, 0.0);
}

TEST_F(ExportHTRTest, SavedPoseNeedsAllSevenProperties) {
    SceneNode* root = Bone(L"Root", nullptr, Point3(1, -3, 2));
    for (const wchar_t* key : kBasePose) root->SetUserPropFloat(key, 7.0f);
    Scene::Current().Select(root);
    const ExportChoices choices{.animate = false};
    HTRFile six;
    ExportAndRead(choices, six);
    ExpectTranslation(six.RootSegment(), 1, 2, 3);  // the current pose

    root->SetUserPropFloat(L"HTRBaseLength", 5.0f);
    HTRFile seven;
    ExportAndRead(choices, seven);
    ExpectTranslation(seven.RootSegment(), 7, 7, 7);
    EXPECT_DOUBLE_EQ(seven.RootSegment()->GetBoneLength(), 5.0);
}

// A bone whose reference length is 0 (an end segment's base position may
// give one) has no scale to report: every frame's BoneScaleFactor is 1.
// Other bones report their scale against their reference.
TEST_F(ExportHTRTest, ZeroReferenceLengthsReportScaleOne) {
    struct Case { const wchar_t* end; float reference, boneLength; double scale; };
    const Case cases[] = {
        {L"BothZero", 0, 0, 1},
        {L"ReferenceZero", 0, 10, 1},
        {L"HalfTheBone", 5, 10, 2},
    };
    Scene::Current().SetAnimationRange(Interval(0, 2 * 160));
    for (const Case& c : cases) {
        SceneNode* root = Bone((std::wstring(L"Root") + c.end).c_str(), nullptr);
        SceneNode* end = Bone(c.end, root, Point3(), c.boneLength);
        for (SceneNode* bone : {root, end}) {
            for (const wchar_t* key : kBasePose) bone->SetUserPropFloat(key, 0.0f);
        }
        root->SetUserPropFloat(L"HTRBaseLength", 10.0f);
        end->SetUserPropFloat(L"HTRBaseLength", c.reference);
        Scene::Current().ClearSelection();
        Scene::Current().Select(root);
        HTRFile file;
        ExportAndRead(ExportChoices(), file);
        const HTRSegment* exported = file.FindSegment(c.end);
        ASSERT_NE(exported, nullptr);
        ASSERT_EQ(exported->FrameCount(), 3u);
        for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(exported->GetFrameScale(i), c.scale) << i;
    }
}

TEST_F(ExportHTRTest, ParentTransformsAndOffsetChooseWhereFramesComeFrom) {
    SceneNode* group = Dummy(L"Group");
    group->Transform().Position().SetHeldValue(Point3(100, 0, 0));
    SceneNode* root = Bone(L"Root", group, Point3(1, -3, 2));
    SceneNode* child = Bone(L"Child", root, Point3(1, 2, 3));
    // The child moves along the host's x axis, one unit a frame.
    for (int f = 0; f <= 20; ++f) {
        child->Transform().Position().Track().Set(f * 160, Point3(1.0f + f, 2, 3));
    }
    Scene::Current().SetAnimationRange(Interval(0, 20 * 160));
    Scene::Current().Select(group);
    // With parent transforms or not, and the root's base translation x in the file.
    for (const auto& [parentTransforms, rootX] : {std::pair{true, 101.0}, std::pair{false, 1.0}}) {
        HTRFile file;
        ExportAndRead({.savedPose = false, .parentTransforms = parentTransforms, .offset = L"10"}, file);
        ExpectTranslation(file.RootSegment(), rootX, 2, 3);
        EXPECT_EQ(file.GetFirstFrame(), 10);
        const HTRSegment* exported = file.FindSegment(L"Child");
        ASSERT_EQ(exported->FrameCount(), 21u);
        double x, y, z;
        // Host x is the file's y; frames are relative to the base (frame 0).
        exported->GetFrameTranslation(20, x, y, z);
        EXPECT_NEAR(y, 20.0, 1e-5);
    }
}

TEST_F(ExportHTRTest, DeepChainsAndWideHierarchiesExportEachBonesOwnFrames) {
    // A chain 20,000 bones deep whose top also carries 2,000 children; bone
    // i moves along the host's x axis by i % 7 a frame.
    constexpr int kDepth = 20000, kWide = 2000, kFrames = 3;
    auto animate = [](SceneNode* bone, int i) {
        for (int f = 0; f < kFrames; ++f) {
            bone->Transform().Position().Track().Set(f * 160, Point3(float(f * (i % 7)), 1, 0));
        }
    };
    SceneNode* top = Bone(L"C0", nullptr);
    SceneNode* above = top;
    for (int i = 1; i < kDepth; ++i) {
        above = Bone((L"C" + std::to_wstring(i)).c_str(), above);
        animate(above, i);
    }
    for (int i = 0; i < kWide; ++i) animate(Bone((L"W" + std::to_wstring(i)).c_str(), top), i);
    Scene::Current().SetAnimationRange(Interval(0, (kFrames - 1) * 160));
    Scene::Current().Select(top);
    HTRFile file;
    EXPECT_EQ(ExportAndRead({.savedPose = false}, file), "");
    ASSERT_EQ(file.SegmentCount(), std::uint32_t(kDepth + kWide));
    // Depth first: the chain, then the wide children.
    EXPECT_EQ(file.Segment(kDepth - 1)->Name(), L"C19999");
    EXPECT_EQ(file.Segment(kDepth)->Name(), L"W0");
    for (const wchar_t* name : {L"C1", L"C19998", L"C19999", L"W5", L"W1999"}) {
        const HTRSegment* segment = file.FindSegment(name);
        ASSERT_NE(segment, nullptr);
        const int i = std::stoi(std::wstring(name + 1));
        for (std::uint32_t f = 0; f < kFrames; ++f) {
            double x, y, z;
            // Host x is the file's y, relative to the base (frame 0).
            segment->GetFrameTranslation(f, x, y, z);
            EXPECT_NEAR(y, double(f * (i % 7)), 1e-3) << i << " " << f;
        }
    }
}

TEST_F(ExportHTRTest, ObjectOffsetsAreReportedAndTheExportGoesOn) {
    SceneNode* root = Bone(L"Root", nullptr);
    Matrix3 offset;
    offset.SetTrans(Point3(0, 0, 1));
    root->SetObjectOffset(offset);
    Scene::Current().Select(root);
    HTRFile file;
    EXPECT_EQ(ExportAndRead({.savedPose = false}, file),
              "ExportHTR Error: Bone: Root contains an object offset transformation, the "
              "resulting skeleton may not be correct.\n");
    EXPECT_EQ(file.SegmentCount(), 1u);
}

// The dialog's own bounds and checks; how a later OK's bounds follow an
// earlier one's is ImportHTRDialogTest's (the dialogs share that check), a
// zero scale factor SceneCommandsTest.FailuresSayTheirCauseAndChangeNothing's.
TEST_F(ExportHTRTest, DialogChecksAndCancel) {
    Bone(L"Root", nullptr);
    Scene::Current().Select(Scene::Current().FindByName(L"Root"));
    Scene::Current().SetAnimationRange(Interval(0, 100 * 160));
    const std::string path = (dir_.Path() / "checked.htr").string();

    brindle::host::ScriptedDriver bounds;
    bounds.Click(IDC_FRAME_RANGE)
        .SetText(IDC_FROM_FRAME, L"5")
        .SetText(IDC_TO_FRAME, L"200")
        .Click(IDC_OK)  // To is put back to the scene's 100
        .SetText(IDC_FROM_FRAME, L"6")
        .SetText(IDC_TO_FRAME, L"5")
        .Click(IDC_OK)
        .Click(IDC_CANCEL);
    EXPECT_EQ(Export(kExportHtr, path, bounds), 1);
    std::vector<std::wstring> texts;
    for (const auto& box : bounds.MessageBoxes()) {
        EXPECT_EQ(box.caption, L"ExportHTR Error");
        texts.push_back(box.text);
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{
                         L"Please choose an end frame less than or equal to 100",
                         L"Please choose a start frame that is less than the end frame.",
                     }));
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
