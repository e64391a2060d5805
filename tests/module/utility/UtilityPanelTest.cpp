// The utility panel as the host runs it: page 116 with its first-start
// state, enabling rules and commands, the conversion it starts with its
// failures, and the MNM creator's walk with viewport picks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/ScriptedDriver.h"
#include "brindle/host/scene/Objects.h"
#include "brindle/host/UtilityHost.h"
#include "plugin/ClassIds.h"
#include "resources/ModuleResources.h"
#include "utility/StandardMarkerTable.h"
#include "tests/support/PluginTestHost.h"
#include "tests/support/DialogSteps.h"

namespace {

using brindle::host::ControlView;
using brindle::host::DialogView;
using brindle::host::Scene;
using brindle::host::SceneNode;
using brindle::host::ScriptedDriver;

constexpr Class_ID kUtilities = kUtilitiesClassId;
constexpr DWORD kPicked = 0xCC1919;
constexpr DWORD kReleased = 0x3333CC;

// Markers A and B over two frames from frame 1; B drops out in frame 2.
const char* const kTrc =
    "PathFileType\t4\t(X/Y/Z)\tt.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\t"
    "OrigNumFrames\n"
    "100\t100\t2\t2\tmm\t100\t1\t2\n"
    "Frame#\tTime\tA\t\t\tB\t\t\t\n"
    "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n"
    "1\t0\t1\t2\t3\t4\t5\t6\n"
    "2\t0.01\t1\t2\t3\t\t\t\n";

using tovtest::Control;
using tovtest::ReadBytes;
using tovtest::Wide;

class UtilityPanelTest : public tovtest::PluginTestHost {
protected:
    void SetUp() override {
        PluginTestHost::SetUp();
        ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    }
    void TearDown() override {
        ::unsetenv("SOURCE_DATE_EPOCH");
        PluginTestHost::TearDown();
    }

    // Opens the panel, plays `driver` on it, and closes it; returns the
    // page as it was before closing.
    DialogView RunPanel(ScriptedDriver& driver) {
        auto* panel = static_cast<UtilityObj*>(Create(kUtilities));
        EXPECT_NE(panel, nullptr);
        auto* previous = brindle::host::SetUiDriver(&driver);
        panel->BeginEditParams(&brindle::host::HostInterface(), nullptr);
        EXPECT_EQ(brindle::host::RollupPages().size(), 1u);
        brindle::host::RunEvents();
        const auto pages = brindle::host::ModelessWindows();
        EXPECT_EQ(pages.size(), 1u);
        DialogView page = pages.empty() ? DialogView{} : pages.back();
        panel->EndEditParams(&brindle::host::HostInterface(), nullptr);
        EXPECT_TRUE(brindle::host::RollupPages().empty());
        EXPECT_TRUE(brindle::host::ModelessWindows().empty());
        EXPECT_FALSE(brindle::host::PickModeActive());
        EXPECT_EQ(brindle::host::ExitCallbackCount(), 0u);
        brindle::host::SetUiDriver(previous);
        delete panel;
        return page;
    }

    // A batch conversion of `sources` into `out` with the map `mnm`.
    static void ConvertBatch(ScriptedDriver& driver, const std::filesystem::path& mnm,
                             const std::filesystem::path& out, std::vector<std::wstring> sources) {
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_BROWSE)
            .Files({Wide(mnm)})
            .ClickIn(IDD_UTILITY_PAGE, IDC_OUTPUT_BROWSE)
            .Folder(Wide(out))
            .ClickIn(IDD_UTILITY_PAGE, IDC_BATCH)
            .ClickIn(IDD_UTILITY_PAGE, IDC_CONVERT)
            .Files(std::move(sources));
    }

    static SceneNode* Marker(const wchar_t* name, SClass_ID superClass = GEOMOBJECT_CLASS_ID,
                             Class_ID classId = SPHERE_CLASS_ID) {
        SceneNode* node = AddNode(superClass, classId, name);
        node->SetWireColor(kReleased);
        return node;
    }
};

TEST_F(UtilityPanelTest, FirstStartShowsDefaultsAndTheSettingsSurviveThePanel) {
    ScriptedDriver first;
    const DialogView page = RunPanel(first);
    EXPECT_EQ(page.templateId, IDD_UTILITY_PAGE);
    struct Expect { int id; const wchar_t* text; bool checked, enabled; };  // text null: not read
    const Expect expected[] = {
        {IDC_MNM_PATH, L"<none>", false, true},    {IDC_OUTPUT_PATH, L"<none>", false, true},
        {IDC_USE_FILTER, nullptr, true, true},     {IDC_BATCH, nullptr, false, true},
        {IDC_TRC_NAME, nullptr, true, true},       {IDC_TRC_SPACE, nullptr, true, false},
        {IDC_BRINDLE_SPACE, nullptr, false, false}, {IDC_OFFSET_ENABLE, nullptr, false, true},
        {IDC_OFFSET_X, L"0.000000", false, false}, {IDC_OFFSET_Z, L"0.000000", false, false},
    };
    for (const Expect& e : expected) {
        const ControlView& control = Control(page, e.id);
        SCOPED_TRACE(e.id);
        if (e.text != nullptr) {
            EXPECT_EQ(control.text, e.text);
        }
        EXPECT_EQ(control.checked, e.checked);
        EXPECT_EQ(control.enabled, e.enabled);
    }

    // Choices made on the page are saved when it closes and shown at the
    // next opening; batch mode shows "Use TRC Filename" on and disabled.
    ScriptedDriver second;
    for (int id : {IDC_USE_FILTER, IDC_TRC_NAME, IDC_BATCH, IDC_OFFSET_ENABLE, IDC_BRINDLE_SPACE,
                   IDC_OUTPUT_BROWSE}) {
        second.ClickIn(IDD_UTILITY_PAGE, id);
    }
    RunPanel(second.Folder(L"/out/folder"));
    ASSERT_EQ(second.FolderChoosers().size(), 1u);
    EXPECT_EQ(second.FolderChoosers()[0], L"Choose GWM Files Destination Folder...");
    ScriptedDriver third;
    const DialogView again = RunPanel(third);
    // TRCName was turned off before batch mode: the page shows it off.
    const Expect saved[] = {
        {IDC_USE_FILTER, nullptr, false, true},   {IDC_BATCH, nullptr, true, true},
        {IDC_TRC_NAME, nullptr, false, false},    {IDC_OFFSET_ENABLE, nullptr, true, true},
        {IDC_BRINDLE_SPACE, nullptr, true, true}, {IDC_TRC_SPACE, nullptr, false, true},
        {IDC_OUTPUT_PATH, L"/out/folder", false, true},
    };
    for (const Expect& e : saved) {
        SCOPED_TRACE(e.id);
        if (e.text != nullptr) {
            EXPECT_EQ(Control(again, e.id).text, e.text);
        }
        EXPECT_EQ(Control(again, e.id).checked, e.checked);
        EXPECT_EQ(Control(again, e.id).enabled, e.enabled);
    }
}

TEST_F(UtilityPanelTest, EnablingRules) {
    struct Case {
        const char* name;
        std::vector<int> clicks;
        bool offsetFieldsEnabled, trcNameChecked, trcNameEnabled;
    };
    const Case cases[] = {
        {"enable on", {IDC_OFFSET_ENABLE}, true, true, true},
        {"enable on and off", {IDC_OFFSET_ENABLE, IDC_OFFSET_ENABLE}, false, true, true},
        {"batch on", {IDC_BATCH}, false, true, false},
        {"name off, batch on", {IDC_TRC_NAME, IDC_BATCH}, false, true, false},
        // Batch off gives the box back with the state batch mode showed.
        {"name off, batch on and off", {IDC_TRC_NAME, IDC_BATCH, IDC_BATCH}, false, true, true},
        // A disabled box ignores clicks.
        {"batch on, name clicked", {IDC_BATCH, IDC_TRC_NAME}, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brindle::host::RegistryStore::Instance().UseFile((dir_.Path() / c.name).string());
        ScriptedDriver driver;
        for (int id : c.clicks) driver.ClickIn(IDD_UTILITY_PAGE, id);
        const DialogView page = RunPanel(driver);
        for (int id : {IDC_TRC_SPACE, IDC_BRINDLE_SPACE, IDC_OFFSET_X, IDC_OFFSET_Y, IDC_OFFSET_Z}) {
            EXPECT_EQ(Control(page, id).enabled, c.offsetFieldsEnabled) << id;
        }
        for (int id : {IDC_LABEL_X, IDC_LABEL_Y, IDC_LABEL_Z}) EXPECT_TRUE(Control(page, id).enabled);
        EXPECT_EQ(Control(page, IDC_TRC_NAME).checked, c.trcNameChecked);
        EXPECT_EQ(Control(page, IDC_TRC_NAME).enabled, c.trcNameEnabled);
    }
}

// The GWM layout itself is the writer's (GWMWriterTest); the page adds the
// dialogs, the chosen map and folder, the log and the offsets it stores.
TEST_F(UtilityPanelTest, ConvertsThroughThePage) {
    const auto trcA = dir_.Write("walk.trc", kTrc);
    const auto trcB = dir_.Write("run.trc", kTrc);
    const auto mnm = dir_.Write("map.mnm", "LFHD\tA\t\nRFHD\tB\t\n");
    const auto out = dir_.Path() / "out";
    std::filesystem::create_directory(out);

    // A batch of two into the output folder, with the log.
    ScriptedDriver batch;
    ConvertBatch(batch, mnm, out, {Wide(trcA), Wide(trcB)});
    const DialogView page = RunPanel(batch);
    EXPECT_EQ(Control(page, IDC_MNM_PATH).text, Wide(mnm));
    ASSERT_EQ(batch.FileDialogs().size(), 2u);
    EXPECT_EQ(batch.FileDialogs()[0].title, L"Select Mapping File...");
    EXPECT_EQ(batch.FileDialogs()[0].filter, L"Marker Name Mapping Files (*.MNM)|*.mnm");
    EXPECT_EQ(batch.FileDialogs()[1].title, L"Select Source TRC Files...");
    EXPECT_EQ(batch.FileDialogs()[1].filter, L"Tovelund TRC Files (*.TRC)|*.trc");
    EXPECT_TRUE(batch.FileDialogs()[1].multiple);
    EXPECT_EQ(batch.FileDialogs()[1].initialFolder, L"C:\\");
    const std::string dir = dir_.Path().string();
    EXPECT_EQ(ReadBytes(out / "ConvertGWMLog.txt"),
              "Tovelund TOVFileIO TRC to GWM Batch Conversion Log\n"
              "Tue Nov 14 22:13:20 2023\n"
              "Processing 2 files...\n"
              "file: " + dir + "/walk.trc done.\n"
              "file: " + dir + "/run.trc done.\n");
    const std::string gwm = ReadBytes(out / "walk.gwm");
    EXPECT_NE(gwm.find("$Filename   walk\n"), std::string::npos);
    EXPECT_NE(gwm.find("$Order\nLFHD RFHD \n"), std::string::npos);  // the map was applied
    EXPECT_TRUE(std::filesystem::exists(out / "run.gwm"));
    EXPECT_EQ(brindle::host::Progress().percent, 100);

    // One file next to its TRC file, with an offset whose Y field was
    // cleared: Y counts as 0, X and Z are kept.
    ScriptedDriver single;
    single.ClickIn(IDD_UTILITY_PAGE, IDC_BATCH)
        .ClickIn(IDD_UTILITY_PAGE, IDC_OFFSET_ENABLE)
        .SetTextIn(IDD_UTILITY_PAGE, IDC_OFFSET_X, L"10")
        .SetTextIn(IDD_UTILITY_PAGE, IDC_OFFSET_Y, L"")
        .SetTextIn(IDD_UTILITY_PAGE, IDC_OFFSET_Z, L"30")
        .ClickIn(IDD_UTILITY_PAGE, IDC_CONVERT)
        .Files({Wide(trcA)});
    const DialogView after = RunPanel(single);
    EXPECT_EQ(Control(after, IDC_OFFSET_Y).text, L"");
    EXPECT_NE(ReadBytes(dir_.Path() / "walk.gwm").find("1\t11.000000\t-33.000000\t2.000000\t"),
              std::string::npos);
    // The stored offsets are what the conversion used.
    ScriptedDriver reopen;
    const DialogView stored = RunPanel(reopen);
    EXPECT_EQ(Control(stored, IDC_OFFSET_X).text, L"10.000000");
    EXPECT_EQ(Control(stored, IDC_OFFSET_Y).text, L"0.000000");
    EXPECT_EQ(Control(stored, IDC_OFFSET_Z).text, L"30.000000");
}

TEST_F(UtilityPanelTest, ConversionFailures) {
    const auto trc = dir_.Write("walk.trc", kTrc);
    const auto bad = dir_.Write("bad.trc", "not a trc file\n");
    const auto mnm = dir_.Write("map.mnm", "LFHD\tA\t\n");
    const std::wstring missing = Wide(dir_.Path() / "no" / "such");
    const std::vector<std::wstring> cancel;
    // `askTarget`: "Use TRC Filename" off; `fileDialogs`: besides the MNM
    // choice; `message`: empty for none.
    struct Case {
        const char* name;
        bool chooseMnm, batch, askTarget;
        std::vector<std::vector<std::wstring>> files;
        std::wstring outputFolder;
        std::size_t fileDialogs;
        std::wstring message;
        bool progressStarted;
    };
    const Case cases[] = {
        {"no MNM file", false, false, false, {}, L"", 0, L"", false},
        {"TRC dialog cancelled", true, false, false, {cancel}, L"", 1, L"", false},
        {"log cannot be opened", true, true, false, {{Wide(trc)}}, missing, 1,
         L"Cannot Open Batch Log File.", false},
        {"target dialog cancelled", true, false, true, {{Wide(trc)}, cancel}, L"", 2, L"",
         true},
        {"GWM file cannot be written", true, false, true,
         {{Wide(trc)}, {missing + L"/x.gwm"}}, L"", 2, L"", true},
        {"reader error", true, false, false, {{Wide(bad)}}, L"", 1, L"bad.trc: ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brindle::host::RegistryStore::Instance().UseFile((dir_.Path() / c.name).string());
        const int starts = brindle::host::Progress().starts;
        ScriptedDriver driver;
        if (c.chooseMnm) driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_BROWSE).Files({Wide(mnm)});
        if (!c.outputFolder.empty()) {
            driver.ClickIn(IDD_UTILITY_PAGE, IDC_OUTPUT_BROWSE).Folder(c.outputFolder);
        }
        if (c.batch) driver.ClickIn(IDD_UTILITY_PAGE, IDC_BATCH);
        if (c.askTarget) driver.ClickIn(IDD_UTILITY_PAGE, IDC_TRC_NAME);
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_CONVERT);
        for (const auto& files : c.files) driver.Files(files);
        RunPanel(driver);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(driver.FileDialogs().size(), c.fileDialogs + (c.chooseMnm ? 1 : 0));
        if (c.message.empty()) {
            EXPECT_TRUE(driver.MessageBoxes().empty());
        } else {
            ASSERT_EQ(driver.MessageBoxes().size(), 1u);
            EXPECT_NE(driver.MessageBoxes()[0].text.find(c.message), std::wstring::npos);
            EXPECT_EQ(driver.MessageBoxes()[0].caption, L"ConvertGWM Error");
        }
        EXPECT_EQ(brindle::host::Progress().starts - starts, c.progressStarted ? 1 : 0);
        EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "walk.gwm"));
    }
}

// Cancel through the host between files (what the core does then is
// TrcToGwmTest's): the files done stay, the rest is skipped, and no
// message is shown.
TEST_F(UtilityPanelTest, CancelBetweenBatchFiles) {
    class CancelAfterFirstFile : public brindle::host::ProgressSink {
    public:
        void Started(const std::wstring&) override {}
        void Updated(int) override { ++updates; }
        void Ended() override {}
        bool Cancelled() override { return updates >= 2; }  // 0 %, then the first file
        int updates = 0;
    } sink;
    const auto out = dir_.Path() / "out";
    std::filesystem::create_directory(out);
    auto* previous = brindle::host::SetProgressSink(&sink);
    ScriptedDriver driver;
    ConvertBatch(driver, dir_.Write("map.mnm", "LFHD\tA\t\n"), out,
                 {Wide(dir_.Write("walk.trc", kTrc)), Wide(dir_.Write("run.trc", kTrc))});
    RunPanel(driver);
    brindle::host::SetProgressSink(previous);
    EXPECT_TRUE(std::filesystem::exists(out / "walk.gwm"));
    EXPECT_FALSE(std::filesystem::exists(out / "run.gwm"));
    EXPECT_TRUE(driver.MessageBoxes().empty());
}

// The walk with every kind of answer: picks, a camera and a light the
// viewport refuses, Skip where it is allowed and where it is not, Back, a
// right click, and the file written.
TEST_F(UtilityPanelTest, CreatorWalk) {
    std::vector<SceneNode*> markers;
    for (int i = 0; i < 46; ++i) markers.push_back(Marker((L"M" + std::to_wstring(i)).c_str()));
    SceneNode* camera = Marker(L"Cam", CAMERA_CLASS_ID, TARGET_CAMERA_CLASS_ID);
    SceneNode* light = Marker(L"Sun", LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID);
    SceneNode* helper = Marker(L"Helper", HELPER_CLASS_ID, POINTHELP_CLASS_ID);
    const auto out = dir_.Path() / "made.mnm";

    ScriptedDriver driver;
    driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO).Answer(IDYES);
    driver.Pick(camera->GetHandle()).Pick(light->GetHandle());  // refused, step 0 still asked
    driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_SKIP);              // disabled on step 0
    driver.Pick(markers[0]->GetHandle());                        // LFHD
    driver.Pick(markers[1]->GetHandle());                        // LBHD
    driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_BACK);               // on step 2: LBHD again
    driver.Pick(markers[2]->GetHandle());                        // LBHD
    driver.RightClick();                                         // step 2 again
    driver.Pick(helper->GetHandle());                            // RBHD: a helper
    std::size_t next = 3;
    for (int step = 3; step < 43; ++step) {
        if (step == 9) driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_SKIP);
        else driver.Pick(markers[next++]->GetHandle());
        if (step == 10 || step == 15) driver.Pick(markers[next++]->GetHandle());
    }
    driver.Files({Wide(out)});
    const DialogView page = RunPanel(driver);
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(brindle::host::TakeUiProblems().empty());
    EXPECT_EQ(driver.MissedPicks(), (std::vector<ULONG>{camera->GetHandle(), light->GetHandle()}));
    ASSERT_EQ(driver.MessageBoxes().size(), 3u);
    EXPECT_EQ(driver.MessageBoxes()[0].text, L"Are you using a left wrist stick?");
    EXPECT_EQ(driver.MessageBoxes()[1].caption, L"Pick optional markers?");
    EXPECT_EQ(driver.MessageBoxes()[2].text, L"MNM File Creation Successful");
    EXPECT_EQ(driver.MessageBoxes()[2].caption, L"MNM File Creation Status");
    // The creator does not choose the map the conversion uses.
    EXPECT_EQ(Control(page, IDC_MNM_PATH).text, L"<none>");

    const std::string text = ReadBytes(out);
    EXPECT_EQ(text.rfind("LFHD\tM0\t\nLBHD\tM2\t\nRBHD\tHelper\t\nRFHD\tM3\t\n", 0), 0u);
    EXPECT_NE(text.find("LELB\tM8\t\nLWRA\tM9\t\nLWRB\tM10\t\nLFIN\t"), std::string::npos);
    EXPECT_NE(text.find("RWRE\tM"), std::string::npos);
    EXPECT_NE(text.find("RWRI\tM"), std::string::npos);
    EXPECT_EQ(text.find("LILB"), std::string::npos);
    EXPECT_NE(text.find("T10\tM"), std::string::npos);
    EXPECT_NE(text.find("RPRPT\tM"), std::string::npos);
    // After the file is written every picked node has its colour back.
    for (SceneNode* node : markers) EXPECT_EQ(node->GetWireColor(), kReleased);
    EXPECT_EQ(helper->GetWireColor(), kReleased);

    // What the creator dialog showed at each pick: Back only after step 0,
    // Skip only on optional steps.
    const struct {
        const wchar_t* description;
        int control;
        bool enabled;
    } shown[] = {
        {L"Left front head marker (LFHD)", IDC_MNM_BACK, false},
        {L"Left inner elbow marker (LILB)", IDC_MNM_SKIP, true},
        {L"Top chest marker (CLAV)", IDC_MNM_SKIP, false},
        {L"Top chest marker (CLAV)", IDC_MNM_BACK, true},
    };
    for (const auto& e : shown) {
        int seen = 0;
        for (const auto& pending : driver.PendingViews()) {
            for (const DialogView& window : pending.windows) {
                if (window.templateId != IDD_MNM_CREATOR ||
                    Control(window, IDC_MARKER_DESCRIPTION).text != e.description) continue;
                EXPECT_EQ(Control(window, e.control).enabled, e.enabled) << e.control;
                ++seen;
            }
        }
        EXPECT_GT(seen, 0) << e.control;
    }
}

// Every step of a walk answered with a pick of `node`, Skip where allowed.
void WalkPicking(ScriptedDriver& driver, ULONG node) {
    driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO).Answer(IDNO);
    for (int step = 0; step < kMarkerSteps; ++step) {
        if (IsOptionalMarkerStep(step)) {
            driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_SKIP);
            continue;
        }
        driver.Pick(node);
        if (step == kLeftWristStep || step == kRightWristStep) driver.Pick(node);
    }
}

// In one panel session: a node whose name the map cannot hold is not picked
// (the step is asked again); a walk whose save failed keeps its picks, but
// they do not join the next walk's file; and each conversion uses the map
// file chosen for it alone.
TEST_F(UtilityPanelTest, CreatorAndConversionKeepWorkApart) {
    SceneNode* blank = Marker(L"L Heel");
    SceneNode* a = Marker(L"A");
    SceneNode* b = Marker(L"B");
    const auto trc = dir_.Write("walk.trc", kTrc);
    const auto first = dir_.Write("first.mnm", "FIRST\tA\t\n");
    const auto second = dir_.Write("second.mnm", "SECOND\tA\t\n");
    const auto made = dir_.Path() / "made.mnm";
    ScriptedDriver driver;
    driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO).Answer(IDNO);
    driver.Pick(blank->GetHandle()).Pick(a->GetHandle()).ClickIn(IDD_MNM_CREATOR, IDC_MNM_ABORT);
    // A whole walk of A whose save fails: the picks are kept.
    WalkPicking(driver, a->GetHandle());
    driver.Files({Wide(dir_.Path() / "no" / "such.mnm")});
    WalkPicking(driver, b->GetHandle());
    driver.Files({Wide(made)});
    std::string gwm[2];
    for (const auto& map : {first, second}) {
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_BROWSE).Files({Wide(map)});
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_CONVERT).Files({Wide(trc)});
    }
    // The two conversions write the same file: look at it between them.
    class Watch : public brindle::host::ProgressSink {
    public:
        Watch(std::string* copies, std::filesystem::path gwm) : copies_(copies), gwm_(gwm) {}
        void Started(const std::wstring&) override {}
        void Updated(int) override {}
        void Ended() override { copies_[ends_++ % 2] = ReadBytes(gwm_); }
    private:
        std::string* copies_;
        std::filesystem::path gwm_;
        int ends_ = 0;
    } watch(gwm, dir_.Path() / "walk.gwm");
    auto* previous = brindle::host::SetProgressSink(&watch);
    RunPanel(driver);
    brindle::host::SetProgressSink(previous);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(driver.MissedPicks(), std::vector<ULONG>{blank->GetHandle()});
    const std::string text = ReadBytes(made);
    EXPECT_EQ(text.rfind("LFHD\tB\t\nLBHD\tB\t\n", 0), 0u) << text;
    EXPECT_EQ(text.find("\tA\t"), std::string::npos);
    // A's kept picks were given back when the second walk began.
    EXPECT_EQ(a->GetWireColor(), kReleased);
    EXPECT_EQ(b->GetWireColor(), kReleased);
    EXPECT_NE(gwm[0].find("$Order\nFIRST \n"), std::string::npos) << gwm[0];
    EXPECT_NE(gwm[1].find("$Order\nSECOND \n"), std::string::npos) << gwm[1];
}

TEST_F(UtilityPanelTest, CreatorEndingsThatWriteNothing) {
    SceneNode* a = Marker(L"A");
    SceneNode* b = Marker(L"B");
    const auto out = dir_.Path() / "none.mnm";
    const std::wstring unwritable = Wide(dir_.Path() / "no" / "such.mnm");
    enum class Ending { Abort, ScriptRunsOut, HostCloses };
    struct Case {
        const char* name;
        Ending ending;
        std::wstring target;  // the save dialog's answer; empty: none
        DWORD colourAfter;    // of the picked nodes
        std::size_t fileDialogs;
        const wchar_t* message;  // after the two questions; null: none
    };
    const Case cases[] = {
        {"abort", Ending::Abort, L"", kReleased, 0, nullptr},
        // Nobody picks any more: every pick ends empty, the walk runs to its
        // end and the save dialog, which nobody answers; the picks keep their
        // colour.
        {"nobody picks", Ending::ScriptRunsOut, L"", kPicked, 1, nullptr},
        {"unwritable file", Ending::ScriptRunsOut, unwritable, kPicked, 1,
         L"MNM File Creation Failed: Unable to open output file."},
        // The host closes during a pick: the creator hears it as its exit
        // callback, no pick and no chooser is asked of anyone after it, and
        // the picks keep their colour as after a failed save.
        {"host closes", Ending::HostCloses, L"", kPicked, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDriver driver;
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO).Answer(IDNO);
        driver.Pick(a->GetHandle()).Pick(b->GetHandle());
        if (c.ending == Ending::Abort) driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_ABORT);
        if (c.ending == Ending::HostCloses) driver.ExitHost().Pick(a->GetHandle());
        if (!c.target.empty()) driver.Files({c.target});
        RunPanel(driver);
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_EQ(driver.FileDialogs().size(), c.fileDialogs);
        EXPECT_EQ(a->GetWireColor(), c.colourAfter);
        EXPECT_EQ(b->GetWireColor(), c.colourAfter);
        ASSERT_EQ(driver.MessageBoxes().size(), c.message != nullptr ? 3u : 2u);
        if (c.message != nullptr) {
            EXPECT_EQ(driver.MessageBoxes()[2].text, c.message);
            EXPECT_EQ(driver.MessageBoxes()[2].caption, L"MNM File Creation Status");
        }
        const auto problems = brindle::host::TakeUiProblems();
        if (c.ending == Ending::HostCloses) {
            EXPECT_TRUE(problems.empty());
            EXPECT_FALSE(driver.Finished());  // the pick after it was never asked for
            EXPECT_TRUE(brindle::host::HostClosed());
            brindle::host::ReopenHost();
        }
        a->SetWireColor(kReleased);
        b->SetWireColor(kReleased);
    }
}

// Closing the host at the page ends the panel's events: nothing after it
// is taken, and what was done before it is saved with the panel.
TEST_F(UtilityPanelTest, ClosingTheHostEndsThePanelsEvents) {
    ScriptedDriver driver;
    driver.ClickIn(IDD_UTILITY_PAGE, IDC_BATCH)
        .ExitHost()
        .ClickIn(IDD_UTILITY_PAGE, IDC_OFFSET_ENABLE);
    const DialogView page = RunPanel(driver);
    EXPECT_TRUE(Control(page, IDC_BATCH).checked);
    EXPECT_FALSE(Control(page, IDC_OFFSET_ENABLE).checked);
    EXPECT_FALSE(driver.Finished());
    brindle::host::ReopenHost();
    ScriptedDriver again;
    EXPECT_TRUE(Control(RunPanel(again), IDC_BATCH).checked);
}

}  // namespace
