// tovfileio mnm-create and utility driven line by line through standard
// input, on a marker cloud made by import-trc.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "brindle/host/RegistryStore.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"
#include "cli/CommandIO.h"
#include "cli/ModuleConversion.h"
#include "tests/support/TestFiles.h"

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Runs tovfileio with `input` as its standard input.
Result RunWith(const Arguments& args, const std::string& input) {
    char* outData = nullptr;
    char* errData = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::string in = input;
    CommandIO io;
    io.in = fmemopen(in.data(), in.size() + 1, "r");
    io.out = open_memstream(&outData, &outSize);
    io.err = open_memstream(&errData, &errSize);
    if (in.empty()) {
        std::fclose(io.in);
        io.in = std::fopen("/dev/null", "r");
    }
    Result result{RunTovfileio(args, io), {}, {}};
    std::fclose(io.in);
    std::fclose(io.out);
    std::fclose(io.err);
    result.out.assign(outData, outSize);
    result.err.assign(errData, errSize);
    std::free(outData);
    std::free(errData);
    return result;
}

constexpr const char* kTrc =
    "PathFileType\t4\t(X/Y/Z)\tt.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\t"
    "OrigNumFrames\n100\t100\t1\t3\tmm\t100\t1\t1\n"
    "Frame#\tTime\tA\t\t\tB\t\t\tC\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n\n"
    "1\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\n";

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
        ASSERT_EQ(RunWith({"import-trc", trc.string(), "--scene", scene_}, "").status, 0);
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

TEST_F(UtilityCommandTest, MnmCreateSessions) {
    // Picks, a right click, Back, Skip on every optional step, the file.
    std::string full = "n\ny\npick A\nright-click\npick B\nclick Back\npick C\n";
    for (int step = 2; step < 43; ++step) {
        full += Optional(step) ? "click Skip\n" : "pick A\n";
        if (step == 10 || step == 15) full += "pick B\n";
    }
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
        const Result result = RunWith(args, c.input);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.out.find("Left front head marker (LFHD)"), std::string::npos);
        EXPECT_NE(result.out.find("pickable nodes: A B C"), std::string::npos);
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

TEST_F(UtilityCommandTest, UtilityPageFromALineScript) {
    const Result result =
        RunWith({"utility", "--scene", scene_},
            "click Batch File Conversion\nclick 1205\ntype 1207 2.5\nclick Nothing\nquit\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("[Convert TRC to GWM]"), std::string::npos);
    EXPECT_NE(result.out.find("1201 check box [x] Batch File Conversion"), std::string::npos);
    EXPECT_NE(result.out.find("1202 check box [x] Use TRC Filename (disabled)"), std::string::npos);
    EXPECT_NE(result.out.find("1207 number \"2.5\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("no control Nothing"), std::string::npos);
    // The page's choices were saved when it closed.
    const Result again = RunWith({"utility", "--scene", scene_}, "");
    EXPECT_NE(again.out.find("1201 check box [x] Batch File Conversion"), std::string::npos);
    EXPECT_NE(again.out.find("1205 check box [x] Enable"), std::string::npos) << again.out << again.err;
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The module's conversion from the command line: sources from two folders
// and a file the reader refuses, with and without a map; the settings given
// are not kept.
TEST_F(UtilityCommandTest, ModuleConversionRunsOnTheGivenSettingsOnly) {
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    std::filesystem::create_directories(dir_.Path() / "d1");
    std::filesystem::create_directories(dir_.Path() / "d2");
    std::filesystem::create_directories(dir_.Path() / "out");
    const auto walk = dir_.Write("d1/walk.trc", kTrc);
    const auto bad = dir_.Write("d1/bad.trc", "nothing\n");
    const auto run = dir_.Write("d2/run.trc", kTrc);
    const auto map = dir_.Write("map.mnm", "LFHD\tA\t\nRFHD\tC\t\n");
    CommandIO io;
    char* errData = nullptr;
    std::size_t errSize = 0;
    io.err = open_memstream(&errData, &errSize);

    ModuleConversion batch;
    batch.sources = {walk.string(), bad.string(), run.string()};
    batch.outputFolder = (dir_.Path() / "out").string();
    batch.mnm = map.string();
    batch.settings.Batch = true;
    batch.settings.Offset = true;
    batch.settings.OffsetX = 10.0f;
    EXPECT_TRUE(RunModuleConversion(batch, io, "convert").converted);
    const std::string log = Slurp(dir_.Path() / "out" / "ConvertGWMLog.txt");
    const std::string d = dir_.Path().string();
    EXPECT_EQ(log.substr(0, log.find("Processing")),
              "Tovelund TOVFileIO TRC to GWM Batch Conversion Log\nTue Nov 14 22:13:20 2023\n");
    EXPECT_NE(log.find("Processing 3 files...\nfile: " + d + "/d1/walk.trc done.\n" + d +
                       "/d1/bad.trc: "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("file: " + d + "/d1/bad.trc done.\nfile: " + d + "/d2/run.trc done.\n"),
              std::string::npos);
    const std::string gwm = Slurp(dir_.Path() / "out" / "run.gwm");
    EXPECT_NE(gwm.find("$Order\nLFHD RFHD \n\n$Points\n1\t11.000000\t-3.000000\t2.000000\t17.000000"),
              std::string::npos)
        << gwm;

    ModuleConversion names;
    names.sources = {walk.string()};
    names.outputFolder = (dir_.Path() / "out").string();
    names.settings.Batch = true;
    EXPECT_TRUE(RunModuleConversion(names, io, "convert").converted);
    EXPECT_NE(Slurp(dir_.Path() / "out" / "walk.gwm").find("$Order\nA B C \n"), std::string::npos);
    // Nothing of these runs reached the settings.
    EXPECT_EQ(brindle::host::RegistryStore::Instance().FilePath(),
              (dir_.Path() / "registry.reg").string());
    EXPECT_EQ(Slurp(dir_.Path() / "registry.reg").find("ConvertGWM"), std::string::npos);
    std::fclose(io.err);
    std::free(errData);
    ::unsetenv("SOURCE_DATE_EPOCH");
}

}  // namespace
