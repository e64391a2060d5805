#include <gtest/gtest.h>

#include <string>

#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

using tovtest::RunCommand;

namespace {

const std::string kSample = std::string(TOV_SOURCE_DIR) + "/samples/walk.htr";

TEST(InfoCommandTest, JsonDescribesTheSample) {
    const auto result = RunCommand({"info", "--json", kSample});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string& json = result.out;
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.substr(json.size() - 2), "}\n");
    for (const std::string& field : std::initializer_list<std::string>
         {"\"format\":\"htr\"", "\"units\":\"mm\"", "\"rotation_units\":\"degrees\"",
          "\"frame_rate\":60", "\"frames\":40", "\"first_frame\":1", "\"scale_factor\":1",
          "\"segments\":[{\"name\":\"Hips\",\"parent\":null,\"root\":true",
          "{\"name\":\"LowerBack\",\"parent\":\"Hips\",\"root\":false",
          "\"file\":\"" + kSample + "\""}) {
        EXPECT_NE(json.find(field), std::string::npos) << field;
    }
}

TEST(InfoCommandTest, JsonDescribesTrcFilesByExtensionOrContent) {
    tovtest::ScratchDir dir;
    const std::string trc = std::string(TOV_SOURCE_DIR) + "/samples/walk.trc";
    // No ".trc" extension: recognised by its first line; ".TRC" is not
    // appended because the name has a three-letter extension.
    const auto renamed = dir.Write("walk.dat", tovtest::ReadBytes(trc));
    for (const std::string& file : {trc, renamed.string()}) {
        const auto result = RunCommand({"info", "--json", file});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out.rfind("{\"file\":\"" + file +
                                       "\",\"format\":\"trc\",\"units\":\"mm\",\"data_rate\":60,"
                                       "\"camera_rate\":60,\"frames\":40,\"start_frame\":1,"
                                       "\"rows\":40,\"duration\":0.6666666666666666,\"markers\":"
                                       "[{\"name\":\"LFHD\",\"samples\":40,\"dropouts\":0},",
                                   0),
                  0u)
            << result.out;
    }
    const auto bad = dir.Write("bad.trc", "PathFileType\t4\t(x/y/z)\n");
    const auto result = RunCommand({"info", bad.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, bad.string() +
                              ": The file is does not have a compatible \"(X/Y/Z)\" header state (line 1: the "
                              "third tab-separated field is \"(x/y/z)\"; the reader takes exactly "
                              "\"(X/Y/Z)\" there)\n");
}

TEST(InfoCommandTest, TextShowsTheHierarchyAsATree) {
    const auto result = RunCommand({"info", kSample});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("  Segments:          21\n"), std::string::npos);
    EXPECT_NE(result.out.find("  Duration:          0.6666666666666666 s\n"), std::string::npos);
    EXPECT_NE(result.out.find("\n    Hips\n      LowerBack\n        Chest\n"), std::string::npos);
    EXPECT_NE(result.out.find("\n      LThigh\n        LShin\n"), std::string::npos);
}

TEST(InfoCommandTest, ReaderErrorsAreReportedAndTheRestGoesOn) {
    tovtest::ScratchDir dir;
    const auto bad = dir.Write("bad.htr", "[Header]\nFileType xyz\n");
    const auto loop = dir.Write("loop.htr",
                                "[SegmentNames&Hierarchy]\nA B\nB A\nC GLOBAL\nD nobody\n"
                                "[BasePosition]\n");
    const auto result =
        RunCommand({"info", bad.string(), (dir.Path() / "missing").string(), loop.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, bad.string() +
                              ": The file does not have a compatible \"FileType\" header state "
                              "(line 2: the reader takes FileType HTR, Htr or htr only, not \"xyz\")\n" +
                              (dir.Path() / "missing").string() + ": The file could not be opened (tried " +
                              (dir.Path() / "missing.htr").string() + ": No such file or directory)\n" +
                              loop.string() + ": warning: the header gives no NumFrames; read as 0\n" +
                              loop.string() + ": warning: the header gives no DataFrameRate; read as 60\n");
    // Segments in a parent loop are still listed, marked, once each.
    EXPECT_NE(result.out.find("\n    C\n    D  (parent not found)\n    A  (in a parent loop)\n"
                              "      B\n"),
              std::string::npos)
        << result.out;
}

TEST(InfoCommandTest, CommandLineErrorsAndHelp) {
    struct Case {
        Arguments args;
        int status;
        const char* outStart;
        const char* errStart;
    };
    const Case cases[] = {
        {{}, 2, "", "tovfileio: A subcommand is required\nTry 'tovfileio --help'.\n"},
        {{"--help"}, 0, "Motion-capture files", ""},
        {{"frobnicate"}, 2, "", "tovfileio: unknown command 'frobnicate'\n"},
        {{"info"}, 2, "", "tovfileio info: FILE is required\n"},
        {{"info", "--jsn", "x.htr"}, 2, "",
         "tovfileio info: The following argument was not expected: --jsn (did you mean "
         "--json?)\n"
         "Try 'tovfileio info --help'.\n"},
        {{"info", "--help"}, 0, "show what each file holds\nUsage: tovfileio info [OPTIONS] FILE",
         ""},
        {{"convert", "-h"}, 0, "HTR to HTR", ""},
        {{"plugins", "--help"}, 0, "load the Brindle module", ""},
        {{"about", "--help"}, 0, "show the module's About box", ""},
        {{"about", "extra"}, 2, "", "tovfileio about: The following argument was not expected"},
    };
    for (const Case& c : cases) {
        const auto result = RunCommand(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out.rfind(c.outStart, 0), 0u) << result.out;
        EXPECT_EQ(result.err.rfind(c.errStart, 0), 0u) << result.err;
    }
}

}  // namespace

namespace {

TEST(InfoCommandTest, DeepChainsPrintInLinearSpace) {
    tovtest::ScratchDir dir;
    std::string text = "[Header]\nNumSegments 10000\nNumFrames 0\nDataFrameRate 60\n"
                       "[SegmentNames&Hierarchy]\nS0 GLOBAL\n";
    for (int i = 1; i < 10000; ++i) text += "S" + std::to_string(i) + " S" + std::to_string(i - 1) + "\n";
    text += "[BasePosition]\n";
    for (int i = 0; i < 10000; ++i) text += "S" + std::to_string(i) + " 0 0 0 0 0 0 1\n";
    const auto file = dir.Write("deep.htr", text);
    const auto result = RunCommand({"info", file.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_LT(result.out.size(), 1000000u);
    EXPECT_NE(result.out.find("\n" + std::string(68, ' ') + "S32\n" + std::string(68, ' ') +
                              "(level 33) S33\n"),
              std::string::npos);
}

TEST(InfoCommandTest, StandardInputAndAFailedStandardOutput) {
    tovtest::ScratchDir dir;
    const std::string trc =
        dir.Write("one.trc", "PathFileType\t4\t(X/Y/Z)\tone.trc\nDataRate\tCameraRate\tNumFrames\n"
                             "60\t60\t2\t1\tmm\nFrame#\tTime\tA\t\t\t\n\t\tX1\tY1\tZ1\n\n"
                             "1\t0\t1\t2\t3\n2\t0.01667\t\t\t\n")
            .string();
    char* data = nullptr;
    std::size_t size = 0;
    CommandIO io;
    io.in = std::fopen(trc.c_str(), "rb");
    io.out = open_memstream(&data, &size);
    io.err = std::tmpfile();
    EXPECT_EQ(RunTovfileio({"info", "-"}, io), 0);
    std::fclose(io.in);
    std::fclose(io.out);
    EXPECT_EQ(std::string(data, size).rfind("-\n  Format:            TRC\n", 0), 0u);
    // One dropout is "1 dropout".
    EXPECT_NE(std::string(data, size).find(" 2 samples, 1 dropout\n"), std::string::npos);
    std::free(data);

    // A full disk behind standard output is an error, not status 0.
    io.out = std::fopen("/dev/full", "w");
    if (io.out == nullptr) GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(RunTovfileio({"info", trc}, io), 1);
    std::fclose(io.out);
    std::rewind(io.err);
    char err[256] = {};
    const std::size_t got = std::fread(err, 1, sizeof err - 1, io.err);
    std::fclose(io.err);
    EXPECT_EQ(std::string(err, got), "tovfileio info: standard output: No space left on device\n");
}

}  // namespace
