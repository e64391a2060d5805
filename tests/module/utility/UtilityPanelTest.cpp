// The utility panel as the host runs it: page 116 with its first-start
// state, enabling rules and commands, the conversion it starts with its
// failures, and the MNM creator's walk with viewport picks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <functional>

#include "tests/support/ScriptedDriver.h"
#include "brindle/host/scene/Objects.h"
#include "brindle/host/ui/UtilityHost.h"
#include "tovfileio/module/ClassIds.h"
#include "tovfileio/module/PluginReports.h"
#include "tovfileio/text/TextCodec.h"
#include "resources/ModuleResources.h"
#include "utility/StandardMarkerTable.h"
#include "tests/support/PluginTestHost.h"
#include "tests/support/DialogSteps.h"

namespace {

using brindle::host::ControlView;
using brindle::host::DialogView;
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

// A control of the page as it should show; `text` null: not read.
struct Expect {
    int id;
    const wchar_t* text;
    bool checked, enabled;
};

void ExpectPage(const DialogView& page, std::initializer_list<Expect> expected) {
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.id);
        const ControlView& control = Control(page, e.id);
        if (e.text != nullptr) {
            EXPECT_EQ(control.text, e.text);
        }
        EXPECT_EQ(control.checked, e.checked);
        EXPECT_EQ(control.enabled, e.enabled);
    }
}

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
    DialogView RunPanel(ScriptedDriver& driver, bool takeMatches = false) {
        auto* panel = static_cast<UtilityObj*>(Create(kUtilities));
        EXPECT_NE(panel, nullptr);
        static_cast<MarkerCreator*>(panel->GetInterface(kMarkerCreatorId))->TakeMatchesUnasked(takeMatches);
        auto* previous = brindle::host::SetUiDriver(&driver);
        panel->BeginEditParams(&brindle::host::HostInterface(), nullptr);
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

    static SceneNode* Marker(const wchar_t* name, SClass_ID superClass = GEOMOBJECT_CLASS_ID,
                             Class_ID classId = SPHERE_CLASS_ID) {
        SceneNode* node = AddNode(superClass, classId, name);
        node->SetWireColor(kReleased);
        return node;
    }
};

TEST_F(UtilityPanelTest, FirstStartShowsDefaultsAndTheSettingsSurviveThePanel) {
    ScriptedDriver first;
    ExpectPage(RunPanel(first), {
        {IDC_MNM_PATH, L"<none>", false, true},    {IDC_OUTPUT_PATH, L"<none>", false, true},
        {IDC_USE_FILTER, nullptr, true, true},     {IDC_BATCH, nullptr, false, true},
        {IDC_TRC_NAME, nullptr, true, true},       {IDC_TRC_SPACE, nullptr, true, false},
        {IDC_BRINDLE_SPACE, nullptr, false, false}, {IDC_OFFSET_ENABLE, nullptr, false, true},
        {IDC_OFFSET_X, L"0.000000", false, false}, {IDC_OFFSET_Z, L"0.000000", false, false},
    });

    // Choices made on the page are saved when it closes and shown at the
    // next opening; batch mode shows "Use TRC Filename" on and disabled.
    ScriptedDriver second;
    for (int id : {IDC_USE_FILTER, IDC_TRC_NAME, IDC_BATCH, IDC_OFFSET_ENABLE, IDC_BRINDLE_SPACE,
                   IDC_OUTPUT_BROWSE}) {
        second.ClickIn(IDD_UTILITY_PAGE, id);
    }
    RunPanel(second.Folder(L"/out/folder"));
    ScriptedDriver third;
    // TRCName was turned off before batch mode: the page shows it off.
    ExpectPage(RunPanel(third), {
        {IDC_USE_FILTER, nullptr, false, true},   {IDC_BATCH, nullptr, true, true},
        {IDC_TRC_NAME, nullptr, false, false},    {IDC_OFFSET_ENABLE, nullptr, true, true},
        {IDC_BRINDLE_SPACE, nullptr, true, true}, {IDC_TRC_SPACE, nullptr, false, true},
        {IDC_OUTPUT_PATH, L"/out/folder", false, true},
    });
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

// The GWM layout itself is the writer's (GWMWriterTest) and a batch
// cancelled between files UtilityInterruptTest's; the page adds the chosen
// map and folder, the log and the offsets typed.
TEST_F(UtilityPanelTest, ConvertsThroughThePage) {
    const auto trcA = dir_.Write("walk.trc", kTrc);
    const auto trcB = dir_.Write("run.trc", kTrc);
    const auto mnm = dir_.Write("map.mnm", "LFHD\tA\t\nRFHD\tB\t\n");
    const auto out = dir_.Path() / "out";
    std::filesystem::create_directory(out);

    // A batch of two into the output folder, with the log.
    ScriptedDriver batch;
    batch.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_BROWSE)
        .Files({Wide(mnm)})
        .ClickIn(IDD_UTILITY_PAGE, IDC_OUTPUT_BROWSE)
        .Folder(Wide(out))
        .ClickIn(IDD_UTILITY_PAGE, IDC_BATCH)
        .ClickIn(IDD_UTILITY_PAGE, IDC_CONVERT)
        .Files({Wide(trcA), Wide(trcB)});
    EXPECT_EQ(Control(RunPanel(batch), IDC_MNM_PATH).text, Wide(mnm));
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
    RunPanel(single);
    EXPECT_NE(ReadBytes(dir_.Path() / "walk.gwm").find("1\t11.000000\t-33.000000\t2.000000\t"),
              std::string::npos);
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
    };
    const Case cases[] = {
        {"no MNM file", false, false, false, {}, L"", 0, L""},
        {"log cannot be opened", true, true, false, {{Wide(trc)}}, missing, 1,
         L"Cannot Open Batch Log File."},
        {"target dialog cancelled", true, false, true, {{Wide(trc)}, cancel}, L"", 2, L""},
        {"GWM file cannot be written", true, false, true, {{Wide(trc)}, {missing + L"/x.gwm"}}, L"", 2, L""},
        {"reader error", true, false, false, {{Wide(bad)}}, L"", 1, L"bad.trc: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brindle::host::RegistryStore::Instance().UseFile((dir_.Path() / c.name).string());
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
        EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "walk.gwm"));
    }
}

// The walk with every kind of answer: picks, a helper object, Skip and Back
// where they are allowed and where they are not (a click on a disabled
// button does nothing), a right click, and the file written. The nodes the
// viewport refuses are UtilityCommandTest's.
TEST_F(UtilityPanelTest, CreatorWalk) {
    std::vector<SceneNode*> markers;
    for (int i = 0; i < 46; ++i) markers.push_back(Marker((L"M" + std::to_wstring(i)).c_str()));
    SceneNode* helper = Marker(L"Helper", HELPER_CLASS_ID, POINTHELP_CLASS_ID);
    const auto out = dir_.Path() / "made.mnm";

    ScriptedDriver driver;
    driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO).Answer(IDYES);
    driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_SKIP);              // disabled on step 0
    driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_BACK);              // so is Back
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
    // The creator does not choose the map the conversion uses.
    EXPECT_EQ(Control(page, IDC_MNM_PATH).text, L"<none>");

    const std::string text = ReadBytes(out);
    EXPECT_EQ(text.rfind("LFHD\tM0\t\nLBHD\tM2\t\nRBHD\tHelper\t\nRFHD\tM3\t\n", 0), 0u);
    // The skipped LILB is left out; each wrist takes two picks, to the last step.
    EXPECT_NE(text.find("LELB\tM8\t\nLWRA\tM9\t\nLWRB\tM10\t\nLFIN\t"), std::string::npos);
    EXPECT_NE(text.find("\nRPRPT\tM43\t\n"), std::string::npos) << text;
    // After the file is written every picked node has its colour back.
    for (SceneNode* node : markers) EXPECT_EQ(node->GetWireColor(), kReleased);
}

// The codes of the walk's markers in step order, a wrist's two among
// them; only the mandatory steps' when `mandatoryOnly`.
std::vector<std::wstring> MarkerCodes(bool mandatoryOnly) {
    std::vector<std::wstring> codes;
    for (int step = 0; step < kMarkerSteps; ++step) {
        if (mandatoryOnly && IsOptionalMarkerStep(step)) continue;
        const MarkerStep& marker = StandardMarkerStep(step);
        for (const wchar_t* code : {marker.code, marker.secondCode}) {
            if (code != nullptr) codes.emplace_back(code);
        }
    }
    return codes;
}

// Every step of a walk answered with a pick of the next of `nodes`, Skip
// where allowed.
void WalkPicking(ScriptedDriver& driver, const std::vector<SceneNode*>& nodes) {
    driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO).Answer(IDNO);
    std::size_t next = 0;
    for (int step = 0; step < kMarkerSteps; ++step) {
        if (IsOptionalMarkerStep(step)) {
            driver.ClickIn(IDD_MNM_CREATOR, IDC_MNM_SKIP);
            continue;
        }
        driver.Pick(nodes[next++]->GetHandle());
        if (step == kLeftWristStep || step == kRightWristStep) driver.Pick(nodes[next++]->GetHandle());
    }
}

// In one panel session a walk whose save failed keeps its picks, but they
// do not join the next walk's file; and each conversion uses the map file
// chosen for it alone, not the one before it nor the one the creator made.
TEST_F(UtilityPanelTest, CreatorAndConversionKeepWorkApart) {
    std::vector<SceneNode*> as, bs;
    for (int i = 0; i < 30; ++i) {
        as.push_back(Marker((L"A" + std::to_wstring(i)).c_str()));
        bs.push_back(Marker((L"B" + std::to_wstring(i)).c_str()));
    }
    const auto made = dir_.Path() / "made.mnm";
    ScriptedDriver driver;
    WalkPicking(driver, as);
    driver.Files({Wide(dir_.Path() / "no" / "such.mnm")});
    WalkPicking(driver, bs);
    driver.Files({Wide(made)});
    for (const std::string take : {"FIRST", "SECOND"}) {
        const auto map = dir_.Write(take + ".mnm", take + "\tA\t\n");
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_BROWSE).Files({Wide(map)});
        const auto trc = dir_.Write(take + ".trc", kTrc);
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_CONVERT).Files({Wide(trc)});
    }
    RunPanel(driver);
    EXPECT_TRUE(driver.Finished());
    const std::string text = ReadBytes(made);
    EXPECT_EQ(text.rfind("LFHD\tB0\t\nLBHD\tB1\t\n", 0), 0u) << text;
    EXPECT_EQ(text.find("\tA"), std::string::npos);
    // A's kept picks were given back when the second walk began.
    for (const auto* nodes : {&as, &bs}) {
        for (SceneNode* node : *nodes) EXPECT_EQ(node->GetWireColor(), kReleased);
    }
    for (const std::string take : {"FIRST", "SECOND"}) {
        const std::string gwm = ReadBytes(dir_.Path() / (take + ".gwm"));
        EXPECT_NE(gwm.find("$Order\n" + take + " \n"), std::string::npos) << gwm;
    }
}

// Endings of a walk that write nothing and keep the picks' colour, as after
// a failed save; an abort, which gives the colours back, is
// UtilityCommandTest's.
TEST_F(UtilityPanelTest, CreatorEndingsThatWriteNothing) {
    SceneNode* a = Marker(L"A");
    SceneNode* b = Marker(L"B");
    // Nobody picks any more: every pick ends empty, the walk runs to its end
    // and the save dialog, which nobody answers. Or the host closes during a
    // pick: the creator hears it as its exit callback, and no pick and no
    // chooser is asked of anyone after it.
    for (const bool hostCloses : {false, true}) {
        SCOPED_TRACE(hostCloses ? "host closes" : "nobody picks");
        ScriptedDriver driver;
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO).Answer(IDNO);
        driver.Pick(a->GetHandle()).Pick(b->GetHandle());
        if (hostCloses) driver.ExitHost().Pick(a->GetHandle());
        RunPanel(driver);
        EXPECT_EQ(driver.FileDialogs().size(), hostCloses ? 0u : 1u);
        EXPECT_EQ(a->GetWireColor(), kPicked);
        EXPECT_EQ(b->GetWireColor(), kPicked);
        EXPECT_EQ(driver.MessageBoxes().size(), 2u);  // the two questions alone
        const auto problems = brindle::host::TakeUiProblems();
        if (hostCloses) {
            EXPECT_TRUE(problems.empty());
            EXPECT_FALSE(driver.Finished());  // the pick after it was never asked for
            EXPECT_TRUE(brindle::host::HostClosed());
            brindle::host::ReopenHost();
        }
        a->SetWireColor(kReleased);
        b->SetWireColor(kReleased);
    }
}

// A scene whose nodes carry the walk's marker names: each marker is offered
// pre-picked and Enter takes it, a pick overrides the offer, a node another
// marker holds is refused, the matches are taken unasked when the host asks
// so, and mandatory markers the scene lacks are said before any question.
TEST_F(UtilityPanelTest, CreatorMatchesMarkersByName) {
    const std::vector<std::wstring> codes = MarkerCodes(false);
    std::wstring everyMarker;  // the map of a walk that takes every offer
    for (const std::wstring& code : codes) {
        Marker(code.c_str());
        everyMarker += code + L"\t" + code + L"\t\n";
    }
    SceneNode* other = Marker(L"Other");
    SceneNode* lfhd = brindle::host::Scene::Current().FindByName(L"LFHD");
    const auto enterEverywhere = [&](ScriptedDriver& driver, std::size_t enters) {
        for (std::size_t i = 0; i < enters; ++i) driver.EnterIn(IDD_MNM_CREATOR);
    };
    const std::wstring refusal = L"LFHD is already the node of LFHD; pick another node";
    struct Case {
        const char* name;
        bool takeMatches;
        std::function<void(ScriptedDriver&)> walk;  // after the Create click
        std::wstring map;                           // empty: none written
        std::vector<std::wstring> messages;         // every message box, in order
    };
    const std::wstring wrists[] = {L"Are you using a left wrist stick?",
                                   L"Are you using a right wrist stick?"};
    const std::wstring success = L"MNM File Creation Successful";
    const Case cases[] = {
        {"Enter takes each offer", false,
         [&](ScriptedDriver& d) {
             d.Answer(IDNO).Answer(IDNO);
             enterEverywhere(d, codes.size());
         },
         everyMarker, {wrists[0], wrists[1], success}},
        {"a pick overrides an offer", false,
         [&](ScriptedDriver& d) {
             d.Answer(IDNO).Answer(IDNO).Pick(other->GetHandle());
             enterEverywhere(d, codes.size() - 1);
         },
         L"LFHD\tOther\t\n" + everyMarker.substr(everyMarker.find(L"LBHD")),
         {wrists[0], wrists[1], success}},
        {"a node held is refused", false,
         [&](ScriptedDriver& d) {
             d.Answer(IDNO).Answer(IDNO).EnterIn(IDD_MNM_CREATOR).Pick(lfhd->GetHandle());
             enterEverywhere(d, codes.size() - 1);
         },
         everyMarker, {wrists[0], wrists[1], refusal, success}},
        {"matches taken unasked", true, [](ScriptedDriver&) {}, everyMarker, {success}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = dir_.Path() / (std::string(c.name) + ".mnm");
        ScriptedDriver driver;
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE);
        c.walk(driver);
        driver.Files({Wide(out)});
        RunPanel(driver, c.takeMatches);
        EXPECT_TRUE(driver.Finished());
        for (const auto& problem : brindle::host::TakeUiProblems()) {
            ADD_FAILURE() << tovfileio::EncodeUtf8(problem);
        }
        EXPECT_EQ(tovfileio::DecodeUtf8(ReadBytes(out)), c.map);
        std::vector<std::wstring> messages;
        for (const auto& box : driver.MessageBoxes()) {
            messages.push_back(box.text);
            // Enter answers the wrist questions as the names say: no stick.
            if (box.text == wrists[0] || box.text == wrists[1]) {
                EXPECT_EQ(box.type & MB_DEFMASK, MB_DEFBUTTON2);
            }
        }
        EXPECT_EQ(messages, c.messages);
    }

    // Mandatory markers without a node of their name are said first; No
    // abandons before the wrist questions and the creator's dialog.
    brindle::host::Scene::Current().FindByName(L"LMT5")->SetName(L"LeftFoot");
    brindle::host::Scene::Current().FindByName(L"RMT5")->SetName(L"RightFoot");
    for (const bool takeMatches : {false, true}) {
        ScriptedDriver driver;
        driver.ClickIn(IDD_UTILITY_PAGE, IDC_MNM_CREATE).Answer(IDNO);
        RunPanel(driver, takeMatches);
        EXPECT_TRUE(driver.Finished());
        ASSERT_EQ(driver.MessageBoxes().size(), 1u);
        const std::wstring& said = driver.MessageBoxes()[0].text;
        EXPECT_EQ(said.rfind(L"The scene has no node named LMT5, RMT5, ", 0), 0u)
            << tovfileio::EncodeUtf8(said);
        EXPECT_TRUE(driver.FileDialogs().empty());
        EXPECT_EQ(lfhd->GetWireColor(), kReleased);
    }
}

// What a scene's names say of the wrists and of the mandatory markers: a
// stick pair counts only whole, and the list follows the stick answers.
TEST(StandardMarkerNames, WristsAndMissingMarkers) {
    const std::vector<std::wstring> mandatory = MarkerCodes(true);
    struct Case {
        const char* name;
        std::vector<std::wstring> nodes;
        bool leftStick;
        std::optional<bool> leftByNames;
        std::vector<std::wstring> missing;
    };
    std::vector<std::wstring> withStick = mandatory;
    std::replace(withStick.begin(), withStick.end(), std::wstring(L"LWRA"), std::wstring(L"LWRE"));
    std::replace(withStick.begin(), withStick.end(), std::wstring(L"LWRB"), std::wstring(L"LWRI"));
    std::vector<std::wstring> halfStick = mandatory;
    halfStick.push_back(L"LWRE");
    const Case cases[] = {
        {"every mandatory marker", mandatory, false, false, {}},
        {"a stick on the left", withStick, true, true, {}},
        {"the stick pair counts only whole", halfStick, false, false, {}},
        {"the stick answered but not named", mandatory, true, false, {L"LWRE", L"LWRI"}},
        {"none named", {}, false, std::nullopt, mandatory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HasMarkerNode hasNode = [&](const wchar_t* code) {
            return std::find(c.nodes.begin(), c.nodes.end(), code) != c.nodes.end();
        };
        EXPECT_EQ(WristStickByNames(kLeftWristStep, hasNode), c.leftByNames);
        EXPECT_EQ(MandatoryMarkersWithoutNode(c.leftStick, false, hasNode), c.missing);
        EXPECT_EQ(AnyMarkerHasNode(hasNode), !c.nodes.empty());
    }
}

}  // namespace
