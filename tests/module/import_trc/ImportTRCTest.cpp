// The TRC import as the host runs it: a marker object per marker keyed frame
// by frame, in create and apply mode, and dialog 120.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "tests/support/ScriptedDriver.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/module/ClassIds.h"
#include "resources/ModuleResources.h"
#include "tests/support/CapturingDriver.h"
#include "tests/support/DialogSteps.h"
#include "tests/support/PluginTestHost.h"

namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;

constexpr Class_ID kImportTrc = kImportTrcClassId;

struct TrcChoices {
    bool apply = false, sphere = true, selectedOnly = false, rootNode = false, setFps = true;
    std::optional<std::pair<std::wstring, std::wstring>> range = {};
    std::wstring offset = L"0", size = L"1", scale = L"1";
};

void ChooseTrc(DialogFlagDriver& driver, const TrcChoices& c) {
    driver.Choose(IDC_TRC_CREATE, "create");
    driver.Choose(c.sphere ? IDC_SPHERE : IDC_POINT, "geometry");
    driver.Type(IDC_SEGMENT_SIZE, c.size, "size");
    driver.Check(IDC_ROOT_NODE, c.rootNode, "root node");
    driver.Choose(IDC_TRC_APPLY, "apply");
    driver.Check(IDC_SELECTED_ONLY, c.selectedOnly, "selected only");
    if (!c.apply) driver.Choose(IDC_TRC_CREATE, "create");
    driver.Choose(c.range ? IDC_FRAME_RANGE : IDC_ALL_FRAMES, "range");
    if (c.range) {
        driver.Type(IDC_FROM_FRAME, c.range->first, "from");
        driver.Type(IDC_TO_FRAME, c.range->second, "to");
    }
    driver.Type(IDC_FRAME_OFFSET, c.offset, "offset");
    driver.Check(IDC_SET_FRAME_RATE, c.setFps, "fps");
    driver.Type(IDC_GLOBAL_SCALE, c.scale, "scale");
}

// Markers LKNE, RKNE and LANK over `frames` rows from frame 1 at 100 frames
// a second; marker m at frame f sits at (m + f, 10 m + 2 f, 100 m + 3 f), and
// RKNE drops out in frame 2.
std::string Trc(int frames, const char* units = "mm", int numFrames = -1) {
    std::ostringstream text;
    text << "PathFileType\t4\t(X/Y/Z)\tt.trc\n"
            "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
            "OrigDataStartFrame\tOrigNumFrames\n"
         << "100\t100\t" << (numFrames < 0 ? frames : numFrames) << "\t3\t" << units << "\t100\t1\t"
         << frames << "\nFrame#\tTime\tLKNE\t\t\tRKNE\t\t\tLANK\t\t\t\n"
         << "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n\n";
    for (int f = 1; f <= frames; ++f) {
        text << f << '\t' << (f - 1) / 100.0;
        for (int m = 0; m < 3; ++m) {
            if (m == 1 && f == 2) {
                text << "\t\t\t";
            } else {
                text << '\t' << m + f << '\t' << 10 * m + 2 * f << '\t' << 100 * m + 3 * f;
            }
        }
        text << '\n';
    }
    return text.str();
}

class ImportTRCTest : public tovtest::PluginTestHost {
protected:
    std::string ImportText(const std::string& text, const TrcChoices& choices) {
        tovtest::CapturingDriver driver;
        ChooseTrc(driver.Driver(), choices);
        EXPECT_EQ(Import(kImportTrc, dir_.Write("take.trc", text).string(), driver.Driver()), 1);
        return driver.Messages();
    }
};

TEST_F(ImportTRCTest, CreateModeMakesAKeyedMarkerPerMarker) {
    // `factor`: host units per file unit, times the scale factor.
    struct Case {
        const char* name;
        bool sphere;
        const char* units;
        double systemUnitMm;
        const wchar_t *size, *scale;
        float factor;
    };
    const Case cases[] = {
        {"spheres, centimetres in a millimetre scene", true, "cm", 1.0, L"4", L"1", 10.0f},
        {"points, scaled, in a metre scene", false, "mm", 1000.0, L"2", L"2.5", 0.0025f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene::Current().Clear();
        Scene::Current().SetSystemUnitMillimetres(c.systemUnitMm);
        const TrcChoices choices{.sphere = c.sphere, .rootNode = true, .size = c.size, .scale = c.scale};
        EXPECT_EQ(ImportText(Trc(4, c.units), choices), "");
        ASSERT_EQ(Scene::Current().Nodes().size(), 4u);
        SceneNode& cloud = Node(L"TRCCloud");
        SceneNode& knee = Node(L"RKNE");
        EXPECT_EQ(knee.Parent(), &cloud);
        const float size = std::stof(tovfileio::EncodeUtf8(c.size));
        const float scale = std::stof(tovfileio::EncodeUtf8(c.scale));
        EXPECT_FLOAT_EQ(cloud.HeldObject()->GetBox().pmax.x, size * scale);
        if (c.sphere) {
            EXPECT_FLOAT_EQ(knee.HeldObject()->Block().GetFloat(0, 0), size * 0.5f * scale);
        } else {
            EXPECT_FLOAT_EQ(knee.Transform().Scale().HeldValue().x, size * 0.25f * scale);
        }
        // Frames 1 to 4 at 100 frames a second (48 ticks); file (x, y, z)
        // is the host's (x, -z, y); a dropout is keyed at the origin.
        const auto& keys = knee.Transform().Position().Track().Keys();
        ASSERT_EQ(keys.size(), 4u);
        EXPECT_EQ(keys[0].time, 48);
        EXPECT_EQ(keys[3].time, 4 * 48);
        EXPECT_FLOAT_EQ(keys[0].value.x, 2 * c.factor);
        EXPECT_FLOAT_EQ(keys[0].value.y, -103 * c.factor);
        EXPECT_FLOAT_EQ(keys[0].value.z, 12 * c.factor);
        EXPECT_EQ(keys[1].value, Point3(0, 0, 0));
        EXPECT_EQ(Scene::Current().AnimationRange(), Interval(48, 5 * 48));
    }
}

TEST_F(ImportTRCTest, RangeOffsetAndTheCloudsUniqueName) {
    AddNode(HELPER_CLASS_ID, DUMMY_CLASS_ID, L"TRCCloud");
    ImportText(Trc(30), {.rootNode = true, .range = std::make_pair(L"10", L"19"), .offset = L"5"});
    EXPECT_NE(Scene::Current().FindByName(L"TRCCloud001"), nullptr);
    const auto& keys = Node(L"LKNE").Transform().Position().Track().Keys();
    ASSERT_EQ(keys.size(), 10u);
    EXPECT_EQ(keys.front().time, 15 * 48);
    EXPECT_EQ(keys.back().time, 24 * 48);
    EXPECT_FLOAT_EQ(keys.front().value.x, 10.0f);  // sample 9, frame 10
    EXPECT_EQ(Scene::Current().AnimationRange(), Interval(48, 16 * 48));
}

// Apply mode keys the markers' nodes among the selected nodes and their
// children (not grandchildren), taking the first of a name in selection
// order, and makes objects for the markers it finds none for unless
// "Selected Items Only" is on.
TEST_F(ImportTRCTest, ApplyModeFindsSelectedNodesAndTheirChildren) {
    struct Case {
        const char* name;
        bool selectedOnly;
        bool groupFirst;  // the group selected before the lone node
        int created;      // marker objects made
        bool childKeyed;  // the group's LKNE, else the lone selected one
    };
    const Case cases[] = {
        {"without selected only", false, false, 1, false},
        {"a selected node before another's child", true, false, 0, false},
        {"a child before a later selected node", true, true, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene& scene = Scene::Current();
        scene.Clear();
        auto make = [](const wchar_t* name, SceneNode* parent) {
            return AddNode(HELPER_CLASS_ID, POINTHELP_CLASS_ID, name, parent);
        };
        SceneNode* lone = make(L"LKNE", nullptr);
        SceneNode* group = make(L"Group", nullptr);
        SceneNode* child = make(L"LKNE", group);
        SceneNode* rkne = make(L"RKNE", group);
        SceneNode* lank = make(L"LANK", make(L"Middle", group));  // a grandchild
        scene.Select(c.groupFirst ? group : lone);
        scene.Select(c.groupFirst ? lone : group);
        ImportText(Trc(3), {.apply = true, .selectedOnly = c.selectedOnly});
        EXPECT_EQ(child->Transform().Position().NumKeys(), c.childKeyed ? 3 : 0);
        EXPECT_EQ(lone->Transform().Position().NumKeys(), c.childKeyed ? 0 : 3);
        EXPECT_EQ(rkne->Transform().Position().NumKeys(), 3);
        EXPECT_EQ(lank->Transform().Position().NumKeys(), 0);
        EXPECT_EQ(scene.Nodes().size(), 6u + c.created);
    }
}

TEST_F(ImportTRCTest, HeadersClaimingFarMoreFramesKeyTheRowsHeld) {
    const std::string messages = ImportText(Trc(3, "mm", 2000000000), TrcChoices());
    EXPECT_EQ(messages,
              "ImportTRC Warning: The header of this file claims 2000000000 frames, but the file "
              "holds 3; only the frames it holds are imported.\n");
    EXPECT_EQ(Node(L"LKNE").Transform().Position().NumKeys(), 3);
}

// The frame range's shared check is ImportHTRDialogTest's and a zero size
// ImportTrcCommandTest's; here, the file's bound this dialog gives it and
// the checks of its own.
TEST_F(ImportTRCTest, DialogEnablesByModeAndChecksOk) {
    // Each case starts from a known state: create mode, all frames, size 1.
    auto reset = [this] {
        ImportText(Trc(5), TrcChoices());
        Scene::Current().Clear();
    };
    struct Case { const char* name; std::vector<tovtest::DialogStep> steps; const char* message; };
    const Case cases[] = {
        {"to after the file", {{IDC_FRAME_RANGE}, {IDC_TO_FRAME, L"9"}},
         "Please choose an end frame less than or equal to 5"},
        {"scale zero", {{IDC_GLOBAL_SCALE, L"-0"}}, "Please choose a non-zero scale factor."},
        {"end before start", {{IDC_FRAME_RANGE}, {IDC_FROM_FRAME, L"3"}, {IDC_TO_FRAME, L"2"}},
         "Please choose a start frame that is less than the end frame."},
    };
    for (const Case& c : cases) {
        reset();
        brindle::host::ScriptedDriver driver;
        tovtest::PlayThenOkAndCancel(driver, c.steps);
        EXPECT_EQ(Import(kImportTrc, dir_.Write("d.trc", Trc(5)).string(), driver), 1);
        ASSERT_EQ(driver.MessageBoxes().size(), 1u) << c.name;
        EXPECT_EQ(driver.MessageBoxes()[0].caption, L"ImportTRC Error");
        EXPECT_EQ(tovfileio::EncodeUtf8(driver.MessageBoxes()[0].text), c.message) << c.name;
        EXPECT_TRUE(Scene::Current().Nodes().empty()) << c.name;
    }

    // Apply mode disables what only create mode uses and enables
    // "Selected Items Only"; Create turns it back.
    tovtest::RecordingDriver recording;
    reset();
    recording.Click(IDC_TRC_APPLY).Click(IDC_TRC_CREATE).Escape().Click(IDC_CANCEL);
    EXPECT_EQ(Import(kImportTrc, dir_.Write("d.trc", Trc(5)).string(), recording), 1);
    ASSERT_EQ(recording.views.size(), 4u);
    auto enabled = [&](int view, int id) {
        return tovtest::Control(recording.views[view], id).enabled;
    };
    for (int id : {IDC_ROOT_NODE, IDC_SPHERE, IDC_POINT, IDC_SEGMENT_SIZE}) {
        EXPECT_TRUE(enabled(0, id)) << id;
        EXPECT_FALSE(enabled(1, id)) << id;
        EXPECT_TRUE(enabled(2, id)) << id;
    }
    EXPECT_FALSE(enabled(0, IDC_SELECTED_ONLY));
    EXPECT_TRUE(enabled(1, IDC_SELECTED_ONLY));
    EXPECT_FALSE(enabled(0, IDC_FROM_FRAME));
}

}  // namespace
