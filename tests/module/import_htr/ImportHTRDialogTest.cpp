// Dialog 107 of the HTR importer: what it shows when it opens, how its
// controls enable each other, and every check of its OK button.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/support/ScriptedDriver.h"
#include "brindle/sdk/TextCodec.h"
#include "plugin/ClassIds.h"
#include "tests/module/import_htr/ImportChoices.h"
#include "tests/support/CapturingDriver.h"
#include "tests/support/DialogSteps.h"
#include "tests/support/PluginTestHost.h"

namespace {

using brindle::host::DialogView;
using brindle::host::Scene;
using brindle::host::ScriptedDriver;

constexpr Class_ID kImportHtr = kImportHtrClassId;

// A skeleton of one segment and five frames, 1 to 5.
std::string FiveFrames() {
    std::ostringstream text;
    text << "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 5\n"
            "DataFrameRate 30\nEulerRotationOrder ZYX\nCalibrationUnits mm\n"
            "RotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1\n"
            "[SegmentNames&Hierarchy]\nHips\tGLOBAL\n[BasePosition]\nHips\t0\t0\t0\t0\t0\t0\t10\n"
            "[Hips]\n";
    for (int f = 1; f <= 5; ++f) text << f << "\t0\t0\t0\t0\t0\t0\t1\n";
    text << "[EndOfFile]\n";
    return text.str();
}

// A scripted driver that also keeps the dialog as it was before each action.
class RecordingDriver : public ScriptedDriver {
public:
    std::optional<brindle::host::DialogAction> NextDialogAction(const DialogView& dialog) override {
        views.push_back(dialog);
        return ScriptedDriver::NextDialogAction(dialog);
    }
    std::vector<DialogView> views;
};

struct ControlState {
    std::wstring text;
    bool checked;
    bool enabled;
};

std::map<int, ControlState> Controls(const DialogView& view) {
    std::map<int, ControlState> controls;
    for (const auto& c : view.controls) {
        if (c.id > 0) controls[c.id] = {c.text, c.checked, c.enabled};
    }
    return controls;
}

class ImportHTRDialogTest : public tovtest::PluginTestHost {
protected:
    std::string path_ = dir_.Write("five.htr", FiveFrames()).string();

    // Sets every option to a known state through the dialog and imports.
    void Remember(const tovtest::HtrChoices& choices) {
        tovtest::CapturingDriver driver;
        tovtest::ChooseImport(driver.Driver(), choices);
        Import(kImportHtr, path_, driver.Driver());
        Scene::Current().Clear();
    }
};

TEST_F(ImportHTRDialogTest, OpensWithTheRememberedOptionsAndTheFileRange) {
    tovtest::HtrChoices remembered;
    remembered.apply = true;  // refused later for want of a selection, but saved
    remembered.endEffectors = true;
    remembered.tcb = true;
    remembered.range = std::make_pair(L"2", L"4");
    remembered.size = L"2.5";
    remembered.scale = L"0.1";
    remembered.setFps = false;
    Remember(remembered);

    RecordingDriver driver;
    driver.Click(IDC_CANCEL);
    EXPECT_EQ(Import(kImportHtr, path_, driver), 1);
    EXPECT_TRUE(Scene::Current().Nodes().empty());
    ASSERT_EQ(driver.views.size(), 1u);
    EXPECT_EQ(driver.views[0].title, L"ImportHTR");
    auto c = Controls(driver.views[0]);
    EXPECT_TRUE(c[IDC_HTR_APPLY].checked);
    EXPECT_FALSE(c[IDC_HTR_CREATE].checked);
    EXPECT_FALSE(c[IDC_END_EFFECTORS].enabled);
    EXPECT_TRUE(c[IDC_END_EFFECTORS].checked);
    EXPECT_FALSE(c[IDC_SEGMENT_SIZE].enabled);
    EXPECT_TRUE(c[IDC_TCB].checked);
    EXPECT_TRUE(c[IDC_FRAME_RANGE].checked);
    EXPECT_TRUE(c[IDC_FROM_FRAME].enabled);
    EXPECT_FALSE(c[IDC_SET_FRAME_RATE].checked);
    // From and To come from the file at every import, not from memory.
    EXPECT_EQ(c[IDC_FROM_FRAME].text, L"1");
    EXPECT_EQ(c[IDC_TO_FRAME].text, L"5");
    EXPECT_EQ(c[IDC_FRAME_OFFSET].text, L"0");
    EXPECT_EQ(c[IDC_SEGMENT_SIZE].text, L"2.500000");
    EXPECT_EQ(c[IDC_GLOBAL_SCALE].text, L"0.100000");
}

TEST_F(ImportHTRDialogTest, ControlsEnableEachOtherAndOnlyCancelCancels) {
    Remember(tovtest::HtrChoices());
    RecordingDriver driver;
    driver.Click(IDC_HTR_APPLY)
        .Click(IDC_HTR_CREATE)
        .Click(IDC_FRAME_RANGE)
        .Click(IDC_ALL_FRAMES)
        .Click(IDC_ANIMATION)
        .Click(IDC_ANIMATION)
        .Click(IDC_TCB)
        .Escape()
        .Close()
        .Click(IDC_CANCEL);
    EXPECT_EQ(Import(kImportHtr, path_, driver), 1);
    EXPECT_TRUE(Scene::Current().Nodes().empty());
    ASSERT_EQ(driver.views.size(), 10u);
    struct Expect {
        int afterStep;  // the view after this many actions
        int control;
        bool enabled;
    };
    const Expect expects[] = {
        {0, IDC_FROM_FRAME, false},   {1, IDC_END_EFFECTORS, false}, {1, IDC_SEGMENT_SIZE, false},
        {2, IDC_END_EFFECTORS, true}, {2, IDC_SEGMENT_SIZE, true},   {3, IDC_FROM_FRAME, true},
        {3, IDC_TO_FRAME, true},      {4, IDC_TO_FRAME, false},      {5, IDC_ALL_FRAMES, false},
        {5, IDC_FRAME_RANGE, false},  {5, IDC_FROM_FRAME, false},    {6, IDC_FRAME_RANGE, true},
    };
    for (const Expect& e : expects) {
        EXPECT_EQ(Controls(driver.views[e.afterStep])[e.control].enabled, e.enabled)
            << "control " << e.control << " after " << e.afterStep << " actions";
    }
    auto last = Controls(driver.views[9]);
    EXPECT_TRUE(last[IDC_TCB].checked);
    EXPECT_FALSE(last[IDC_EULER].checked);
}

TEST_F(ImportHTRDialogTest, OkChecksEachFieldInOrderAndStaysOpenOnAFailure) {
    using Step = tovtest::DialogStep;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        const char* message;
        int resetControl;  // an edit put back to the held bound, or 0
        const wchar_t* resetText;
    };
    const Case cases[] = {
        {"from before the file", {{IDC_FRAME_RANGE}, {IDC_FROM_FRAME, L"0"}},
         "Please choose a start frame equal to or greater than 1", IDC_FROM_FRAME, L"1"},
        {"to after the file", {{IDC_FRAME_RANGE}, {IDC_TO_FRAME, L"6"}},
         "Please choose an end frame less than or equal to 5", IDC_TO_FRAME, L"5"},
        {"size zero", {{IDC_SEGMENT_SIZE, L"0"}}, "Please choose a non-zero size.", 0, nullptr},
        {"size cleared", {{IDC_SEGMENT_SIZE, L""}}, "Please choose a non-zero size.", 0, nullptr},
        {"size zero in apply mode", {{IDC_SEGMENT_SIZE, L"0.0"}, {IDC_HTR_APPLY}},
         "Please choose a non-zero size.", 0, nullptr},
        {"scale zero", {{IDC_GLOBAL_SCALE, L" 0e5"}}, "Please choose a non-zero scale factor.", 0,
         nullptr},
        {"end before start", {{IDC_FRAME_RANGE}, {IDC_FROM_FRAME, L"4"}, {IDC_TO_FRAME, L"2"}},
         "Please choose a start frame that is less than the end frame.", 0, nullptr},
        {"apply with nothing to key", {{IDC_HTR_APPLY}, {IDC_BASE_POSITION}, {IDC_ANIMATION}},
         "Please choose either Base Position, Animation, or both when in apply mode.", 0, nullptr},
    };
    for (const Case& c : cases) {
        Remember(tovtest::HtrChoices());  // base position on, animation on, all frames
        RecordingDriver driver;
        tovtest::PlayThenOkAndCancel(driver, c.steps);
        EXPECT_EQ(Import(kImportHtr, path_, driver), 1) << c.name;
        EXPECT_TRUE(Scene::Current().Nodes().empty()) << c.name;
        ASSERT_EQ(driver.MessageBoxes().size(), 1u) << c.name;
        EXPECT_EQ(driver.MessageBoxes()[0].caption, L"ImportHTR Error") << c.name;
        EXPECT_EQ(TextCodec::EncodeUtf8(driver.MessageBoxes()[0].text), c.message) << c.name;
        // The dialog stayed open for the Cancel that followed.
        ASSERT_EQ(driver.views.size(), c.steps.size() + 2) << c.name;
        if (c.resetControl != 0) {
            EXPECT_EQ(Controls(driver.views.back())[c.resetControl].text, c.resetText) << c.name;
        }
    }
}

TEST_F(ImportHTRDialogTest, BoundsOfASecondOkAreTheValuesTheFirstAccepted) {
    Remember(tovtest::HtrChoices());
    RecordingDriver driver;
    driver.Click(IDC_FRAME_RANGE)
        .SetText(IDC_FROM_FRAME, L"3")
        .SetText(IDC_SEGMENT_SIZE, L"0")
        .Click(IDC_OK)  // From 3 is taken, then the size is refused
        .SetText(IDC_FROM_FRAME, L"2")
        .SetText(IDC_SEGMENT_SIZE, L"1")
        .Click(IDC_OK)  // 2 is now before the start frame held
        .Click(IDC_CANCEL);
    EXPECT_EQ(Import(kImportHtr, path_, driver), 1);
    ASSERT_EQ(driver.MessageBoxes().size(), 2u);
    EXPECT_EQ(driver.MessageBoxes()[1].text,
              L"Please choose a start frame equal to or greater than 3");
}

TEST_F(ImportHTRDialogTest, SuppressedPromptsUseTheOptionsHeldAndTheFileRange) {
    tovtest::HtrChoices range;
    range.range = std::make_pair(L"2", L"3");
    Remember(range);
    ScriptedDriver nobody;
    EXPECT_EQ(Import(kImportHtr, path_, nobody, true), 1);
    EXPECT_TRUE(nobody.OpenedDialogs().empty());
    // The range option is on, but start and end were reset to the file's.
    auto* hips = Scene::Current().FindByName(L"Hips");
    ASSERT_NE(hips, nullptr);
    EXPECT_EQ(hips->Transform().Position().NumKeys(), 6);
}

}  // namespace
