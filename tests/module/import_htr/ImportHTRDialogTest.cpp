// Dialog 107 of the HTR importer: what it shows when it opens, how its
// controls enable each other, and every check of its OK button.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/ScriptedDriver.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/module/ClassIds.h"
#include "tests/module/import_htr/ImportChoices.h"
#include "tests/support/CapturingDriver.h"
#include "tests/support/DialogSteps.h"
#include "tests/support/PluginTestHost.h"

namespace {

using brindle::host::DialogView;
using brindle::host::Scene;
using brindle::host::ScriptedDriver;

constexpr Class_ID kImportHtr = kImportHtrClassId;

using tovtest::RecordingDriver;

// A skeleton of one segment and five frames, 1 to 5.
std::string FiveFrames() {
    std::string text = "[Header]\nNumSegments 1\nNumFrames 5\n[SegmentNames&Hierarchy]\n"
                       "Hips\tGLOBAL\n[BasePosition]\nHips\t0\t0\t0\t0\t0\t0\t10\n[Hips]\n";
    for (int f = 1; f <= 5; ++f) text += std::to_string(f) + "\t0\t0\t0\t0\t0\t0\t1\n";
    return text + "[EndOfFile]\n";
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
    // Apply is refused later for want of a selection, but saved.
    Remember({.apply = true, .endEffectors = true, .tcb = true, .setFps = false, .size = L"2.5",
              .scale = L"0.1", .range = std::make_pair(L"2", L"4")});

    RecordingDriver driver;
    driver.Click(IDC_CANCEL);
    EXPECT_EQ(Import(kImportHtr, path_, driver), 1);
    ASSERT_EQ(driver.views.size(), 1u);
    auto c = [&](int id) { return tovtest::Control(driver.views[0], id); };
    EXPECT_TRUE(c(IDC_HTR_APPLY).checked);
    EXPECT_FALSE(c(IDC_END_EFFECTORS).enabled);  // create mode's
    EXPECT_TRUE(c(IDC_END_EFFECTORS).checked);
    EXPECT_TRUE(c(IDC_TCB).checked);
    EXPECT_TRUE(c(IDC_FRAME_RANGE).checked);
    EXPECT_TRUE(c(IDC_FROM_FRAME).enabled);
    EXPECT_FALSE(c(IDC_SET_FRAME_RATE).checked);
    // From and To come from the file at every import, not from memory.
    EXPECT_EQ(c(IDC_FROM_FRAME).text, L"1");
    EXPECT_EQ(c(IDC_TO_FRAME).text, L"5");
    EXPECT_EQ(c(IDC_SEGMENT_SIZE).text, L"2.500000");
    EXPECT_EQ(c(IDC_GLOBAL_SCALE).text, L"0.100000");
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
    struct Expect { int afterStep; int control; bool enabled; };  // after this many actions
    const Expect expects[] = {
        {0, IDC_FROM_FRAME, false},   {1, IDC_END_EFFECTORS, false}, {2, IDC_END_EFFECTORS, true},
        {3, IDC_FROM_FRAME, true},    {4, IDC_TO_FRAME, false},      {5, IDC_ALL_FRAMES, false},
        {5, IDC_FROM_FRAME, false},   {6, IDC_FRAME_RANGE, true},
    };
    for (const Expect& e : expects) {
        EXPECT_EQ(tovtest::Control(driver.views[e.afterStep], e.control).enabled, e.enabled)
            << "control " << e.control << " after " << e.afterStep << " actions";
    }
    EXPECT_TRUE(tovtest::Control(driver.views[9], IDC_TCB).checked);
}

TEST_F(ImportHTRDialogTest, OkChecksEachFieldInOrderAndStaysOpenOnAFailure) {
    using Step = tovtest::DialogStep;
    // `resetControl`: an edit put back to the held bound, or 0.
    struct Case {
        const char* name;
        std::vector<Step> steps;
        const char* message;
        int resetControl;
        const wchar_t* resetText;
    };
    const Case cases[] = {
        {"from before the file", {{IDC_FRAME_RANGE}, {IDC_FROM_FRAME, L"0"}},
         "Please choose a start frame equal to or greater than 1", IDC_FROM_FRAME, L"1"},
        {"to after the file", {{IDC_FRAME_RANGE}, {IDC_TO_FRAME, L"6"}},
         "Please choose an end frame less than or equal to 5", IDC_TO_FRAME, L"5"},
        // A size of 0 in create mode is ImportHtrCommandTest's.
        {"size cleared", {{IDC_SEGMENT_SIZE, L""}}, "Please choose a non-zero size.", 0, nullptr},
        {"size zero in apply mode", {{IDC_SEGMENT_SIZE, L"0.0"}, {IDC_HTR_APPLY}},
         "Please choose a non-zero size.", 0, nullptr},
        {"scale zero", {{IDC_GLOBAL_SCALE, L" 0e5"}}, "Please choose a non-zero scale factor.", 0, nullptr},
        {"end before start", {{IDC_FRAME_RANGE}, {IDC_FROM_FRAME, L"4"}, {IDC_TO_FRAME, L"2"}},
         "Please choose a start frame that is less than the end frame.", 0, nullptr},
        {"apply with nothing to key", {{IDC_HTR_APPLY}, {IDC_BASE_POSITION}, {IDC_ANIMATION}},
         "Please choose either Base Position, Animation, or both when in apply mode.", 0, nullptr},
        // A first OK takes From 3, then refuses the size: 3 is the bound of
        // the next OK.
        {"bounds of a second OK",
         {{IDC_FRAME_RANGE}, {IDC_FROM_FRAME, L"3"}, {IDC_SEGMENT_SIZE, L"0"}, {IDC_OK},
          {IDC_FROM_FRAME, L"2"}, {IDC_SEGMENT_SIZE, L"1"}},
         "Please choose a start frame equal to or greater than 3", IDC_FROM_FRAME, L"3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Remember(tovtest::HtrChoices());  // base position on, animation on, all frames
        RecordingDriver driver;
        tovtest::PlayThenOkAndCancel(driver, c.steps);
        EXPECT_EQ(Import(kImportHtr, path_, driver), 1);
        EXPECT_TRUE(Scene::Current().Nodes().empty());
        // One message for each OK.
        const auto oks = std::count_if(c.steps.begin(), c.steps.end(),
                                       [](const Step& s) { return s.control == IDC_OK; });
        ASSERT_EQ(driver.MessageBoxes().size(), std::size_t(oks) + 1);
        EXPECT_EQ(driver.MessageBoxes().back().caption, L"ImportHTR Error");
        EXPECT_EQ(tovfileio::EncodeUtf8(driver.MessageBoxes().back().text), c.message);
        // The dialog stayed open for the Cancel that followed.
        ASSERT_EQ(driver.views.size(), c.steps.size() + 2);
        if (c.resetControl != 0) {
            EXPECT_EQ(tovtest::Control(driver.views.back(), c.resetControl).text, c.resetText);
        }
    }
}

TEST_F(ImportHTRDialogTest, SuppressedPromptsUseTheOptionsHeldAndTheFileRange) {
    Remember({.range = std::make_pair(L"2", L"3")});
    ScriptedDriver nobody;
    EXPECT_EQ(Import(kImportHtr, path_, nobody, true), 1);
    EXPECT_TRUE(nobody.OpenedDialogs().empty());
    // The range option is on, but start and end were reset to the file's.
    auto* hips = Scene::Current().FindByName(L"Hips");
    ASSERT_NE(hips, nullptr);
    EXPECT_EQ(hips->Transform().Position().NumKeys(), 6);
}

}  // namespace
