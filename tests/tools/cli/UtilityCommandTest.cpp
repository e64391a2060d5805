// tovfileio mnm-create and utility driven line by line through standard
// input, on a marker cloud made by import-trc: the prompts, the answers they
// take, quit and exit at any prompt, the file choosers, and what is saved.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "brindle/host/scene/Objects.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"
#include "cli/run/PanelHints.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/module/ResourceIds.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"
#include "utility/StandardMarkerTable.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using tovtest::Count;
using tovtest::RunCommand;
using tovtest::RunOk;

// "click ID" for a control of the panel.
std::string Click(int id) { return "click " + std::to_string(id) + "\n"; }

// Nodes beside A, B and C, so that every marker has a node of its own.
constexpr int kMoreNodes = 30;

// A whole walk: picks, a right click, Back, and Skip on every optional step;
// each marker takes a node of its own.
std::string FullWalk() {
    std::string walk = "n\ny\npick A\nright-click\npick B\nclick Back\npick C\n";
    int next = 0;
    const auto pick = [&] { return "pick M" + std::to_string(next++) + "\n"; };
    for (int step = 2; step < kMarkerSteps; ++step) {
        walk += IsOptionalMarkerStep(step) ? "click Skip\n" : pick();
        if (step == kLeftWristStep || step == kRightWristStep) walk += pick();
    }
    return walk;
}

const std::vector<DWORD> kMarkerColours = {0x3333CC, 0x3333CC, 0x3333CC};

class UtilityCommandTest : public tovtest::CliTest {
protected:
    void SetUp() override {
        std::vector<std::string> names = {"A", "B", "C"};
        std::string row = "1\t2\t3\t4\t5\t6\t7\t8\t9";
        for (int i = 0; i < kMoreNodes; ++i) {
            names.push_back("M" + std::to_string(i));
            row += "\t1\t2\t3";
        }
        const std::string trc = tovtest::TrcText(names, {row});
        RunOk({"import-trc", Write("t.trc", trc), "--scene", scene_}, "");
    }

    // The wire colours of A, B and C in the scene saved.
    std::vector<DWORD> Colours() const {
        brindle::host::Scene scene;
        std::string error;
        EXPECT_TRUE(brindle::host::LoadSceneDocument(scene_, scene, error)) << error;
        std::vector<DWORD> colours;
        for (const wchar_t* name : {L"A", L"B", L"C"}) {
            colours.push_back(scene.FindByName(name)->GetWireColor());
        }
        return colours;
    }

    const std::string scene_ = Path("s.json");
};

TEST_F(UtilityCommandTest, MnmCreateSessions) {
    struct Case {
        const char* name;
        std::string input;
        int status;
        std::size_t lines;  // of the MNM file; 0: none written
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        // Each pick prompt says which step of the walk it is.
        {"whole walk", FullWalk(), 0, 2 + 26 + 2,
         {"marker 11 of 43, second of two: Left wrist outer",
          "marker 43 of 43: Right prop top (RPRPT) (optional: click Skip); Enter skips",
          "MNM File Creation Status: MNM File Creation Successful"}},
        {"abort", "n\nn\npick A\npick B\nclick Abort\n", 1, 0, {}},
        {"input ends", "y\ny\npick A\n", 1, 0, {}},
        {"no such node", "n\nn\npick Nope\nclick Abort\n", 1, 0, {"no node Nope"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = Path(std::string(c.name) + ".mnm");
        const auto run = RunCommand({"mnm-create", "--scene", scene_, out}, c.input);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_THAT(run.out,
                    HasSubstr("marker 1 of 43: Left front head marker (LFHD)\npickable nodes: A B C"));
        for (const std::string& shown : c.shown) EXPECT_THAT(run.out, HasSubstr(shown));
        if (c.lines == 0) {
            EXPECT_FALSE(std::filesystem::exists(out));
        } else {
            const std::string text = tovtest::ReadBytes(out);
            EXPECT_EQ(Count(text, "\n"), c.lines);
            EXPECT_THAT(text, StartsWith("LFHD\tA\t\n"));
        }
        // Whatever the ending, the nodes have their marker colour back
        // (input that ends leaves picks unrecorded, so nothing was coloured).
        EXPECT_EQ(Colours(), kMarkerColours);
    }
}

// The test's current folder is the scratch folder while it lives: a name
// a chooser took in the current folder would land there.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder) : before_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(before_); }

private:
    std::filesystem::path before_;
};

// A save to a FIFO that no one reads: SIGTERM gives the wait up, and the
// command ends as an interrupted one does, the FIFO left as it was (it once
// ignored every signal but kill -9 there). The answers come through a pipe
// that stays open, so the run is at its save once it has taken them all.
TEST_F(UtilityCommandTest, ASaveToAFifoNoOneReadsEndsAtASignal) {
    const std::string out = Path("out.mnm");
    ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
    int answers[2];
    ASSERT_EQ(::pipe2(answers, O_CLOEXEC), 0);
    const std::string walk = FullWalk() + "y\n";  // y: replace the file there
    ASSERT_EQ(::write(answers[1], walk.data(), walk.size()), static_cast<ssize_t>(walk.size()));
    tovtest::ProcessOptions options;
    options.inputFd = answers[0];
    const pid_t pid = tovtest::StartProcess({"mnm-create", "--scene", scene_, out}, dir_, options);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    EXPECT_TRUE(tovtest::WaitUntil([&] {
        int queued = 0;
        return ::ioctl(answers[0], FIONREAD, &queued) == 0 && queued == 0;
    }));
    ::kill(pid, SIGTERM);
    const auto run = tovtest::WaitProcessWithin(pid, dir_, std::chrono::seconds(60));
    ::close(answers[0]);
    ::close(answers[1]);
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_THAT(run.err, HasSubstr("interrupted"));
    EXPECT_TRUE(std::filesystem::is_fifo(out));
}

// quit leaves the command from any prompt, the creator as with Abort (no
// file written); exit closes the host: the creator's exit callback ends its
// pick and nothing is asked after it. Nothing typed after either is read,
// and the panel's settings are saved.
TEST_F(UtilityCommandTest, QuitAndExitLeaveFromAnyPrompt) {
    const InFolder here(dir_.Path());
    const std::string map = Write("map.mnm", "LFHD\tA\t\n"), out = Path("out.mnm");
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
        {"quit at the creator's pick", false, enable + Click(IDC_MNM_CREATE) + "n\nn\nquit\n", 0, 1},
        {"quit at a save chooser", false,
         enable + Click(IDC_MNM_BROWSE) + map + "\n" + Click(IDC_TRC_NAME) + Click(IDC_CONVERT) +
             Path("t.trc") + "\nquit\n",
         0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brindle::host::RegistryStore::Instance().UseFile(Path(c.name));
        const Arguments args = c.create ? Arguments{"mnm-create", "--scene", scene_, out}
                                        : Arguments{"utility", "--scene", scene_};
        const auto run = RunCommand(args, c.input + after);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(Count(run.out, "pick> "), c.picks) << run.out;
        EXPECT_EQ(run.out.find("pick B"), std::string::npos);
        EXPECT_EQ(run.err.find("nobody could"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out));
        for (const char* name : {"quit", "quit.gwm", "quit.mnm"}) {
            EXPECT_FALSE(std::filesystem::exists(Path(name))) << name;
        }
        EXPECT_EQ(Colours(), kMarkerColours);
        if (c.create) continue;
        const auto again = RunCommand({"utility", "--scene", scene_}, "");
        EXPECT_THAT(again.out, HasSubstr("1205 check box [x] Enable"));
        EXPECT_THAT(again.out, HasSubstr("1201 check box [ ] Batch File Conversion"));
    }
}

// The panel from a line script. The file choosers as a person meets them: a
// path that is no file is refused at once and asked for again; a bare name
// is taken in the folder the chooser shows and gets the chooser's extension;
// an existing file is replaced only after a y.
TEST_F(UtilityCommandTest, FileChoosersKeepTheirPromises) {
    const std::string map = Write("map.mnm", "LFHD\tA\t\n"), out = Path("out");
    std::filesystem::create_directory(out);
    Write("out/old.gwm", "old");
    const auto run = RunOk({"utility", "--scene", scene_},
                           Click(IDC_MNM_BROWSE) + Path("mistyped.mnm") + "\n" + map + "\n" +
                           Click(IDC_OUTPUT_BROWSE) + out + "\n" + Click(IDC_TRC_NAME) +
                           Click(IDC_CONVERT) + Path("t.trc") + "\nold\nn\nnew\nquit\n");
    for (const std::string& shown : {Path("mistyped.mnm") + ": no such file; choose one that exists\n",
                                     "1137 read-only \"" + map + "\"", "|*.gwm) in " + out + ": old\n",
                                     out + "/old.gwm already exists. Replace it? [y/N] n\n"}) {
        EXPECT_THAT(run.out, HasSubstr(shown));
    }
    EXPECT_EQ(tovtest::ReadBytes(out + "/old.gwm"), "old");
    EXPECT_THAT(tovtest::ReadBytes(out + "/new.gwm"), HasSubstr("$Order\nLFHD \n"));

    // Controls by name or number, on a panel as it first opens; the offsets
    // take finite numbers within their range only.
    brindle::host::RegistryStore::Instance().UseFile(Path("page.reg"));
    const auto page = RunOk({"utility", "--scene", scene_},
                            "click Batch File Conversion\nclick 1205\ntype 1207 2.5\ntype 1208 nan\n"
                            "type 1206 1e39\nclick Nothing\nquit\n");
    const std::string range = " takes numbers from -1000000000 to 1000000000; it keeps what it held";
    for (const std::string& shown : std::initializer_list<std::string>{
             "[Convert TRC to GWM]", "1201 check box [x] Batch File Conversion",
             "1202 check box [x] Use TRC Filename (disabled)", "1207 number \"2.5\"",
             "no control Nothing", "control 1208" + range, "control 1206" + range}) {
        EXPECT_THAT(page.out, HasSubstr(shown));
    }
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
    const std::string path = Path("mixed.json");
    std::string error;
    ASSERT_TRUE(brindle::host::SaveSceneDocument(scene, path, error)) << error;
    const auto run =
        RunCommand({"mnm-create", "--scene", path}, "n\nn\npick L Heel\npick Cam\npick A\nquit\n");
    EXPECT_EQ(Count(run.out, "pickable nodes:"), Count(run.out, "pickable nodes: A\n"));
    EXPECT_EQ(Count(run.out, "pickable nodes: A\n"), 4u) << run.out;
    EXPECT_THAT(run.out,
                HasSubstr("L Heel cannot be picked: an MNM file cannot hold a name with blanks"));
    EXPECT_THAT(run.out, HasSubstr("the viewport cannot pick Cam\n"));
    EXPECT_EQ(Count(run.out, "marker 1 of 43: Left front head marker (LFHD)\n"), 3u);
    EXPECT_EQ(Count(run.out, "marker 2 of 43: Left back head marker (LBHD)\n"), 1u);
}

// --auto on the sample walk, whose markers carry the names the creator asks
// for and which has none of the optional ones: each of those is left out
// with a line, nothing is asked, and the sample's map is written with no
// input at all. Input that ends at a pick says where the walk stopped,
// once, and shows no page of the markers after it.
TEST_F(UtilityCommandTest, AutoLeavesOutWhatItCannotMatchAndTheEndOfInputIsOneLine) {
    const std::string walk = Path("walk.json");
    RunOk({"import-trc", tovtest::kWalkTrc, "--scene", walk}, "");
    const std::string page = "[MNM Creator / Marker Selection]";
    struct Case {
        const char* name;
        Arguments args;
        std::string input;
        int status;
        std::size_t pages;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"auto", {"mnm-create", "--auto", "--scene", walk}, "", 0, 0,
         {"marker 10 of 43: Left inner elbow marker (LILB): optional, and no node has its name; "
          "left out\n",
          "marker 43 of 43: Right prop top (RPRPT): optional, and no node has its name; left out\n"}},
        {"input ends", {"mnm-create", "--scene", scene_}, "n\nn\npick A\n", 1, 2,
         {"pick> \nthe input ended at marker 2 of 43: no more markers are asked for, and no MNM "
          "file is written\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = Path(std::string(c.name) + ".mnm");
        const auto run = RunCommand(tovtest::With(c.args, {out}), c.input);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(Count(run.out, page), c.pages) << run.out;
        for (const std::string& shown : c.shown) EXPECT_THAT(run.out, HasSubstr(shown));
        EXPECT_EQ(Count(run.out, "left out\n"), c.status == 0 ? 13u : 0u);
        if (c.status == 0) {
            EXPECT_EQ(run.err.find("nobody could"), std::string::npos) << run.err;
            EXPECT_EQ(tovtest::ReadBytes(out), tovtest::ReadBytes(tovtest::kSamples + "walk.mnm"));
        }
    }
}

// The panel's Convert and batch log, which the module leaves silent or
// causeless, each with the line that says why; names typed relative to one
// folder are kept from the root, so a run from another folder finds them.
TEST_F(UtilityCommandTest, PanelSaysWhyNothingRanAndKeepsPathsFromTheRoot) {
    std::filesystem::create_directory(Path("elsewhere"));
    Write("map.mnm", "LFHD\tA\t\n");
    {
        const InFolder here(dir_.Path());
        const auto run = RunOk({"utility", "--scene", scene_},
                               Click(IDC_CONVERT) + Click(IDC_BATCH) + Click(IDC_OUTPUT_BROWSE) +
                                   "missing/out\n" + Click(IDC_MNM_BROWSE) + "map\n" +
                                   Click(IDC_CONVERT) + "t.trc\n\nquit\n");
        for (const std::string& shown : std::initializer_list<std::string>{
                 "Convert needs a marker-name map first: choose an MNM file (click 1132) or make "
                 "one (click 1203)\n",
                 "Cannot Open Batch Log File.\nthe batch log is written in the output folder " +
                     Path("missing/out") +
                     ", which cannot be found (No such file or directory); choose another (click "
                     "1134)\n"}) {
            EXPECT_THAT(run.out, HasSubstr(shown));
        }
    }
    const InFolder elsewhere(Path("elsewhere"));
    const auto again = RunOk({"utility", "--scene", scene_}, "quit\n");
    EXPECT_THAT(again.out, HasSubstr("1137 read-only \"" + Path("map.mnm") + "\""));
    EXPECT_THAT(again.out, HasSubstr("1138 read-only \"" + Path("missing/out") + "\""));
}

// What the command line finds of a map and an output folder the panel shows.
TEST_F(UtilityCommandTest, ConvertAndBatchLogCauses) {
    const std::string map = Write("map.mnm", "LFHD\tA\t\n"), file = Write("file", "x");
    std::filesystem::create_directories(Path("logged/ConvertGWMLog.txt"));
    const auto wide = [](const std::string& text) { return tovfileio::PathToWide(text); };
    const struct {
        std::string map;
        std::string said;  // empty: nothing to say
    } maps[] = {
        {"<none>", "Convert needs a marker-name map first"},
        {Path("gone.mnm"), "Convert needs the map " + Path("gone.mnm") +
                               ", which cannot be opened (No such file or directory)"},
        {map, ""},
    };
    for (const auto& c : maps) {
        SCOPED_TRACE(c.map);
        const std::string said = ConvertRefusal(wide(c.map));
        EXPECT_EQ(said.substr(0, c.said.size()), c.said);
        EXPECT_EQ(said.empty(), c.said.empty());
    }
    const std::string in = "the batch log is written in the output folder ";
    const struct {
        std::string folder;
        std::string said;
    } folders[] = {
        {"<none>", "the batch log is written in the output folder, and none is chosen (click 1134)"},
        {file, in + file + ", which is not a folder; choose another (click 1134)"},
        {Path("logged"), in + Path("logged") + ", where " + Path("logged/ConvertGWMLog.txt") +
                             " is a folder"},
        {dir_.Path().string(), ""},
    };
    for (const auto& c : folders) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(BatchLogCause(wide(c.folder)), c.said);
    }
}

}  // namespace
