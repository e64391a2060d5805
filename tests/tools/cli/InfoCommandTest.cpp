// tovfileio info: what each file holds, as text or JSON, from files or
// standard input; a file the reader refuses is said with its name and the
// others go on; a standard output that fails is an error.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/tools/cli/RunCommand.h"

namespace {

using tovtest::kWalkHtr;
using tovtest::kWalkTrc;
using tovtest::RunCommand;

class InfoCommandTest : public tovtest::CliTest {};

TEST_F(InfoCommandTest, JsonDescribesEachFileOnALine) {
    const auto run = RunCommand({"info", "--json", kWalkHtr, kWalkTrc});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const std::string& piece : std::initializer_list<std::string>{
             "{\"file\":\"" + kWalkHtr + "\",\"format\":\"htr\",\"units\":\"mm\",\"rotation_units\":\"degrees\","
             "\"frame_rate\":60,\"frames\":40,\"first_frame\":1,",
             "\"scale_factor\":1,\"segments\":[{\"name\":\"Hips\",\"parent\":null,\"root\":true",
             "{\"name\":\"LowerBack\",\"parent\":\"Hips\",\"root\":false",
             "}\n{\"file\":\"" + kWalkTrc + "\",\"format\":\"trc\",\"units\":\"mm\",\"data_rate\":60,\"camera_rate\":60,"
             "\"frames\":40,\"start_frame\":1,\"rows\":40,\"duration\":0.6666666666666666,\"markers\":"
             "[{\"name\":\"LFHD\",\"samples\":40,\"dropouts\":0},"}) {
        EXPECT_NE(run.out.find(piece), std::string::npos) << piece << "\n" << run.out;
    }
    EXPECT_TRUE(run.out.ends_with("}\n"));
}

TEST_F(InfoCommandTest, TextShowsTheHierarchyAsATree) {
    const auto run = RunCommand({"info", kWalkHtr});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* piece : {"  Segments:          21\n", "  Duration:          0.6666666666666666 s\n",
                              "\n    Hips\n      LowerBack\n        Chest\n", "\n      LThigh\n        LShin\n"}) {
        EXPECT_NE(run.out.find(piece), std::string::npos) << piece;
    }
}

TEST_F(InfoCommandTest, ReaderErrorsAreReportedAndTheRestGoesOn) {
    const std::string bad = Write("bad.htr", "[Header]\nFileType xyz\n"), missing = Path("missing");
    const std::string badTrc = Write("bad.trc", "PathFileType\t4\t(x/y/z)\n");
    const std::string loop = Write("loop.htr", "[SegmentNames&Hierarchy]\nA B\nB A\nC GLOBAL\nD nobody\n[BasePosition]\n");
    const auto run = RunCommand({"info", bad, missing, badTrc, loop});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, bad + ": The file does not have a compatible \"FileType\" header state (line 2: the reader "
                             "takes FileType HTR, Htr or htr only, not \"xyz\")\n" +
                           missing + ": The file could not be opened (tried " + missing + ".htr: No such file or directory)\n" +
                           badTrc + ": The file is does not have a compatible \"(X/Y/Z)\" header state (line 1: the third "
                                    "tab-separated field is \"(x/y/z)\"; the reader takes exactly \"(X/Y/Z)\" there)\n" +
                           loop + ": warning: the header gives no NumFrames; read as 0\n" +
                           loop + ": warning: the header gives no DataFrameRate; read as 60\n");
    // Segments in a parent loop are still listed, marked, once each.
    EXPECT_NE(run.out.find("\n    C\n    D  (parent not found)\n    A  (in a parent loop)\n      B\n"), std::string::npos)
        << run.out;
}

TEST_F(InfoCommandTest, DeepChainsPrintInLinearSpace) {
    std::string text = "[Header]\nNumSegments 10000\nNumFrames 0\nDataFrameRate 60\n[SegmentNames&Hierarchy]\nS0 GLOBAL\n";
    for (int i = 1; i < 10000; ++i) text += "S" + std::to_string(i) + " S" + std::to_string(i - 1) + "\n";
    text += "[BasePosition]\n";
    for (int i = 0; i < 10000; ++i) text += "S" + std::to_string(i) + " 0 0 0 0 0 0 1\n";
    const auto run = RunCommand({"info", Write("deep.htr", text)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(run.out.size(), 1000000u);
    EXPECT_NE(run.out.find("\n" + std::string(68, ' ') + "S32\n" + std::string(68, ' ') + "(level 33) S33\n"),
              std::string::npos);
}

TEST_F(InfoCommandTest, StandardInputAndAFailedStandardOutput) {
    const auto piped = RunCommand({"info", "-"}, tovtest::TrcText({"A"}, {"1\t2\t3", "\t\t"}));
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out.rfind("-\n  Format:            TRC\n", 0), 0u) << piped.out;
    // One dropout is "1 dropout".
    EXPECT_NE(piped.out.find(" 2 samples, 1 dropout\n"), std::string::npos);

    // A full disk behind standard output is an error, not status 0.
    CommandIO io;
    io.out = std::fopen("/dev/full", "w");
    if (io.out == nullptr) GTEST_SKIP() << "no /dev/full";
    char* err = nullptr;
    std::size_t size = 0;
    io.err = open_memstream(&err, &size);
    EXPECT_EQ(RunTovfileio({"info", kWalkTrc}, io), 1);
    std::fclose(io.out);
    std::fclose(io.err);
    EXPECT_EQ(std::string(err, size), "tovfileio info: standard output: No space left on device\n");
    std::free(err);
}

}  // namespace
