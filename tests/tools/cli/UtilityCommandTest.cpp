// tovfileio mnm-create and utility driven line by line through standard
// input, on a marker cloud made by import-trc.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sys/mount.h>
#include <unistd.h>

#include "brindle/host/RegistryStore.h"
#include "brindle/host/scene/Objects.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"
#include "cli/commands/CommandIO.h"
#include "resources/ModuleResources.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

namespace {

using Result = tovtest::CommandResult;
using tovtest::RunCommandWithInput;

constexpr const char* kTrc =
    "PathFileType\t4\t(X/Y/Z)\tt.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\t"
    "OrigNumFrames\n100\t100\t1\t3\tmm\t100\t1\t1\n"
    "Frame#\tTime\tA\t\t\tB\t\t\tC\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n\n"
    "1\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\n";

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// "click ID" for a control of the panel.
std::string Click(int id) { return "click " + std::to_string(id) + "\n"; }

bool Optional(int step) {
    for (int s : {9, 14, 18, 24, 26, 28, 31, 33, 35, 37, 38, 39, 40, 41, 42}) {
        if (s == step) return true;
    }
    return false;
}

class UtilityCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1);
        brindle::host::RegistryStore::Instance().UseFile((dir_.Path() / "registry.reg").string());
        scene_ = (dir_.Path() / "s.json").string();
        const auto trc = dir_.Write("t.trc", kTrc);
        ASSERT_EQ(RunCommandWithInput({"import-trc", trc.string(), "--scene", scene_}, "").status, 0);
    }

    std::vector<DWORD> Colours() {
        brindle::host::Scene scene;
        std::string error;
        EXPECT_TRUE(brindle::host::LoadSceneDocument(scene_, scene, error)) << error;
        std::vector<DWORD> colours;
        for (const wchar_t* name : {L"A", L"B", L"C"}) {
            colours.push_back(scene.FindByName(name)->GetWireColor());
        }
        return colours;
    }

    void TearDown() override { brindle::host::RegistryStore::Instance().UseFile(""); }

    tovtest::ScratchDir dir_;
    std::string scene_;
};

// Picks, a right click, Back, Skip on every optional step: a whole walk.
std::string FullWalk() {
    std::string full = "n\ny\npick A\nright-click\npick B\nclick Back\npick C\n";
    for (int step = 2; step < 43; ++step) {
        full += Optional(step) ? "click Skip\n" : "pick A\n";
        if (step == 10 || step == 15) full += "pick B\n";
    }
    return full;
}

TEST_F(UtilityCommandTest, MnmCreateSessions) {
    const std::string full = FullWalk();
    struct Case {
        const char* name;
        std::string input;
        bool output;
        int status;
        std::size_t lines;  // of the MNM file; 0: none written
    };
    const Case cases[] = {
        {"whole walk", full, true, 0, 2 + 26 + 2},
        {"abort", "n\nn\npick A\npick B\nclick Abort\n", true, 1, 0},
        {"input ends", "y\ny\npick A\n", true, 1, 0},
        {"no such node", "n\nn\npick Nope\nclick Abort\n", true, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = dir_.Path() / (std::string(c.name) + ".mnm");
        Arguments args{"mnm-create", "--scene", scene_};
        if (c.output) args.push_back(out.string());
        const Result result = RunCommandWithInput(args, c.input);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.out.find("Left front head marker (LFHD)"), std::string::npos);
        EXPECT_NE(result.out.find("pickable nodes: A B C"), std::string::npos);
        if (std::string(c.name) == "whole walk") {
            // Each pick prompt says which step of the walk it is.
            EXPECT_NE(result.out.find("marker 1 of 43: Left front head marker (LFHD)\npickable"),
                      std::string::npos);
            EXPECT_NE(result.out.find("marker 11 of 43, second of two: Left wrist outer"),
                      std::string::npos);
            EXPECT_NE(
                result.out.find("marker 43 of 43: Right prop top (RPRPT) (optional: click Skip)"),
                std::string::npos);
        }
        if (std::string(c.name) == "no such node") {
            EXPECT_NE(result.out.find("no node Nope"), std::string::npos);
        }
        if (c.lines == 0) {
            EXPECT_FALSE(std::filesystem::exists(out));
        } else {
            std::ifstream in(out);
            std::string line, first;
            std::size_t count = 0;
            while (std::getline(in, line)) {
                if (count++ == 0) first = line;
            }
            EXPECT_EQ(count, c.lines);
            EXPECT_EQ(first, "LFHD\tA\t");
            EXPECT_NE(result.out.find("MNM File Creation Status: MNM File Creation Successful"),
                      std::string::npos);
        }
        // Whatever the ending, the nodes have their marker colour back
        // (input that ends leaves picks unrecorded, so nothing was coloured).
        EXPECT_EQ(Colours(), (std::vector<DWORD>{0x3333CC, 0x3333CC, 0x3333CC}));
    }
}

// An MNM file onto a full disk: the chooser asks before it replaces the
// file, the creator says it failed (and keeps its picks), the older file
// stays, the cause is said and the status is 1.
TEST_F(UtilityCommandTest, MnmCreateOntoAFullDisk) {
    const auto disk = dir_.Path() / "disk";
    std::filesystem::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=4k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    const auto out = disk / "walk.mnm";
    dir_.Write("disk/walk.mnm", "precious");
    const Result result =
        RunCommandWithInput({"mnm-create", "--scene", scene_, out.string()}, FullWalk() + "y\n");
    EXPECT_EQ(tovtest::ReadBytes(out), "precious");
    ::umount2(disk.c_str(), MNT_DETACH);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find(out.string() + " already exists. Replace it? [y/n] y\n"),
              std::string::npos);
    EXPECT_NE(result.out.find("MNM File Creation Failed: Unable to open output file."),
              std::string::npos);
    EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
}

// The test's current folder is the scratch folder while it lives: a name
// a chooser took in the current folder would land there.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder)
        : before_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(before_); }

private:
    std::filesystem::path before_;
};

// quit leaves the command from any prompt, the creator as with Abort (no
// file written); exit closes the host: the creator's exit callback ends its
// pick and nothing is asked after it. Nothing typed after either is read,
// and the panel's settings are saved.
TEST_F(UtilityCommandTest, QuitAndExitLeaveFromAnyPrompt) {
    const InFolder here(dir_.Path());
    const std::string map = dir_.Write("map.mnm", "LFHD\tA\t\n").string();
    const std::string trc = (dir_.Path() / "t.trc").string();
    const std::string after = "click Batch File Conversion\npick B\n";  // never read
    const std::string enable = Click(IDC_OFFSET_ENABLE);
    struct Case {
        const char* name;
        bool create;  // mnm-create, else utility
        std::string input;
        int status;
        std::size_t picks;  // pick prompts shown
    };
    const Case cases[] = {
        {"quit at a pick", true, "n\nn\npick A\nquit\n", 1, 2},
        {"quit at a question", true, "quit\n", 1, 0},
        {"exit at a pick", true, "n\nn\npick A\nexit\n", 1, 2},
        {"quit at the panel", false, enable + "quit\n", 0, 0},
        {"exit at the panel", false, enable + "exit\n", 0, 0},
        {"quit at the creator's pick", false, enable + Click(IDC_MNM_CREATE) + "n\nn\nquit\n", 0,
         1},
        {"quit at a save chooser", false,
         enable + Click(IDC_MNM_BROWSE) + map + "\n" + Click(IDC_TRC_NAME) + Click(IDC_CONVERT) +
             trc + "\nquit\n",
         0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brindle::host::RegistryStore::Instance().UseFile((dir_.Path() / c.name).string());
        const auto out = dir_.Path() / "out.mnm";
        const Arguments args = c.create ? Arguments{"mnm-create", "--scene", scene_, out.string()}
                                        : Arguments{"utility", "--scene", scene_};
        const Result result = RunCommandWithInput(args, c.input + after);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(Count(result.out, "pick> "), c.picks) << result.out;
        EXPECT_EQ(result.out.find("click Batch File Conversion"), std::string::npos);
        EXPECT_EQ(result.out.find("pick B"), std::string::npos);
        EXPECT_EQ(result.err.find("nobody could"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
        for (const char* name : {"quit", "quit.gwm", "quit.mnm"}) {
            EXPECT_FALSE(std::filesystem::exists(dir_.Path() / name)) << name;
        }
        EXPECT_EQ(Colours(), (std::vector<DWORD>{0x3333CC, 0x3333CC, 0x3333CC}));
        if (c.create) continue;
        const Result again = RunCommandWithInput({"utility", "--scene", scene_}, "");
        EXPECT_NE(again.out.find("1205 check box [x] Enable"), std::string::npos);
        EXPECT_NE(again.out.find("1201 check box [ ] Batch File Conversion"), std::string::npos);
    }
}

// The file choosers as a person meets them: a path that is no file is
// refused at once and asked for again; a bare name is taken in the folder
// the chooser shows and gets the chooser's extension; an existing file is
// replaced only after a y.
TEST_F(UtilityCommandTest, FileChoosersKeepTheirPromises) {
    const std::string map = dir_.Write("map.mnm", "LFHD\tA\t\n").string();
    const std::string trc = (dir_.Path() / "t.trc").string();
    const auto out = dir_.Path() / "out";
    std::filesystem::create_directory(out);
    dir_.Write("out/old.gwm", "old");
    const std::string input = Click(IDC_MNM_BROWSE) + dir_.Path().string() + "/mistyped.mnm\n" +
                              map + "\n" + Click(IDC_OUTPUT_BROWSE) + out.string() + "\n" +
                              Click(IDC_TRC_NAME) + Click(IDC_CONVERT) + trc +
                              "\nold\nn\nnew\nquit\n";
    const Result result = RunCommandWithInput({"utility", "--scene", scene_}, input);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(dir_.Path().string() +
                              "/mistyped.mnm: no such file; choose one that exists\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("1137 read-only \"" + map + "\""), std::string::npos);
    EXPECT_NE(result.out.find("|*.gwm) in " + out.string() + ": old\n"), std::string::npos);
    EXPECT_NE(result.out.find(out.string() + "/old.gwm already exists. Replace it? [y/n] n\n"),
              std::string::npos);
    EXPECT_EQ(tovtest::ReadBytes(out / "old.gwm"), "old");
    EXPECT_NE(tovtest::ReadBytes(out / "new.gwm").find("$Order\nLFHD \n"), std::string::npos);
}

// A pick prompt says which marker of the walk it asks for and lists only
// the nodes the creator's pick mode takes: no camera, no light, no node
// whose name an MNM file cannot hold; picking one of those says why, and
// the same marker is asked for again.
TEST_F(UtilityCommandTest, PickPromptsSayTheStepAndOfferOnlyWhatCanBePicked) {
    brindle::host::Scene scene;
    const struct {
        SClass_ID superClass;
        Class_ID classId;
        const wchar_t* name;
    } nodes[] = {
        {GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID, L"A"},
        {GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID, L"L Heel"},
        {CAMERA_CLASS_ID, TARGET_CAMERA_CLASS_ID, L"Cam"},
        {LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID, L"Sun"},
    };
    for (const auto& n : nodes) {
        scene.CreateNode(brindle::host::NewSceneObject(n.superClass, n.classId))->SetName(n.name);
    }
    const std::string path = (dir_.Path() / "mixed.json").string();
    std::string error;
    ASSERT_TRUE(brindle::host::SaveSceneDocument(scene, path, error)) << error;
    const Result result = RunCommandWithInput({"mnm-create", "--scene", path},
                                              "n\nn\npick L Heel\npick Cam\npick A\nquit\n");
    EXPECT_EQ(Count(result.out, "pickable nodes:"), Count(result.out, "pickable nodes: A\n"));
    EXPECT_EQ(Count(result.out, "pickable nodes: A\n"), 4u) << result.out;
    EXPECT_NE(
        result.out.find("L Heel cannot be picked: an MNM file cannot hold a name with blanks"),
        std::string::npos);
    EXPECT_NE(result.out.find("the viewport cannot pick Cam\n"), std::string::npos);
    EXPECT_EQ(Count(result.out, "marker 1 of 43: Left front head marker (LFHD)\n"), 3u);
    EXPECT_EQ(Count(result.out, "marker 2 of 43: Left back head marker (LBHD)\n"), 1u);
}

TEST_F(UtilityCommandTest, UtilityPageFromALineScript) {
    const Result result =
        RunCommandWithInput({"utility", "--scene", scene_},
            "click Batch File Conversion\nclick 1205\ntype 1207 2.5\ntype 1208 nan\n"
            "type 1206 1e39\nclick Nothing\nquit\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("[Convert TRC to GWM]"), std::string::npos);
    EXPECT_NE(result.out.find("1201 check box [x] Batch File Conversion"), std::string::npos);
    EXPECT_NE(result.out.find("1202 check box [x] Use TRC Filename (disabled)"), std::string::npos);
    EXPECT_NE(result.out.find("1207 number \"2.5\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("no control Nothing"), std::string::npos);
    // The offsets take finite numbers within their range only.
    for (const char* id : {"1208", "1206"}) {
        EXPECT_NE(result.out.find(std::string("control ") + id +
                                  " takes numbers from -1000000000 to 1000000000; it keeps what "
                                  "it held"),
                  std::string::npos)
            << result.out;
    }
    // The page's choices were saved when it closed.
    const Result again = RunCommandWithInput({"utility", "--scene", scene_}, "");
    EXPECT_NE(again.out.find("1201 check box [x] Batch File Conversion"), std::string::npos);
    EXPECT_NE(again.out.find("1205 check box [x] Enable"), std::string::npos) << again.out << again.err;
}

}  // namespace
