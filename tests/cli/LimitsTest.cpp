// What convert will not do unasked: pad a file out of proportion to what it
// holds, or write more than the output limit; and what needs no limit: the
// rows of a TRC file, read one at a time.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

using tovtest::ReadBytes;
using tovtest::RunCommand;

namespace {

const std::string kHtr = std::string(TOV_SOURCE_DIR) + "/samples/walk.htr";
const std::string kTrc = std::string(TOV_SOURCE_DIR) + "/samples/walk.trc";

// The sample TRC file (30 rows) claiming `frames` in its header.
std::string TrcClaiming(const std::string& frames) {
    std::string text = ReadBytes(kTrc);
    const std::size_t line3 = text.find('\n', text.find('\n') + 1) + 1;
    const std::size_t field = text.find("\t30\t", line3);
    return text.replace(field, 4, "\t" + frames + "\t");
}

std::string HtrClaiming(const std::string& frames) {
    std::string text = ReadBytes(kHtr);
    return text.replace(text.find("NumFrames 40"), 12, "NumFrames " + frames);
}

std::size_t Entries(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

TEST(LimitsTest, PaddingOutOfProportionIsRefusedUnlessChosen) {
    tovtest::ScratchDir dir;
    const auto trc = dir.Write("huge.trc", TrcClaiming("2000000000"));
    const auto htr = dir.Write("huge.htr", HtrClaiming("2000000000"));
    const auto gwm = (dir.Path() / "out.gwm").string();
    const auto out = (dir.Path() / "out.htr").string();

    auto result = RunCommand({"convert", trc.string(), gwm});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              trc.string() + ": warning: the header gives 2000000000 frames, the file holds 30 data rows\n" +
                  trc.string() + ": the header gives 2000000000 frames but the file holds 30: writing "
                                 "them would pad 1999999970 frames; nothing written (--frames header "
                                 "writes them)\n");
    result = RunCommand({"convert", htr.string(), out});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("would pad 1999999960 frames; nothing written"), std::string::npos);
    EXPECT_EQ(Entries(dir.Path()), 2u);

    // --frames held writes what an HTR file holds; a GWM file has the
    // header's frame count.
    EXPECT_EQ(RunCommand({"convert", "--frames", "held", trc.string(), gwm}).status, 2);
    ASSERT_EQ(RunCommand({"convert", "--frames=held", htr.string(), out}).status, 0);
    EXPECT_EQ(ReadBytes(out), ReadBytes(kHtr));
    // --frames header asks for the padding; the output limit still holds.
    result = RunCommand({"convert", "--frames", "header", htr.string(), out});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(out + ": the output would take at least 2542.5 GiB, out of "
                                    "proportion to the input; --max-output allows more\n"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(out), ReadBytes(kHtr));

    // Padding up to the frames held, or 1000 frames, is written with a
    // warning; a header short of the rows writes the first frames only.
    const auto padded = dir.Write("padded.trc", TrcClaiming("1030"));
    result = RunCommand({"convert", padded.string(), gwm});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, padded.string() + ": warning: the header gives 1030 frames, the file "
                                            "holds 30 data rows\n");
    EXPECT_NE(ReadBytes(gwm).find("$NumFrames 1030\n"), std::string::npos);
    const auto shorter = dir.Write("short.trc", TrcClaiming("10"));
    result = RunCommand({"convert", shorter.string(), gwm});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find(": warning: only the first 10 of the 30 frames held are written "
                              "(a GWM file has the header's frame count)\n"),
              std::string::npos)
        << result.err;
}

TEST(LimitsTest, OutputLimitAndRowsWithoutLimit) {
    tovtest::ScratchDir dir;
    const auto gwm = dir.Write("out.gwm", "precious");
    // The writer is stopped at the limit by the file-size limit; nothing is
    // left of its staged file.
    auto result = RunCommand({"convert", "--max-output", "5K", kTrc, gwm.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, gwm.string() + ": the output would take more than 5120 bytes, out of "
                                         "proportion to the input; --max-output allows more\n");
    EXPECT_EQ(ReadBytes(gwm), "precious");
    EXPECT_EQ(Entries(dir.Path()), 1u);
    ASSERT_EQ(RunCommand({"convert", "--max-output", "13K", kTrc, gwm.string()}).status, 0);

    // 2000 markers and 20000 rows of a frame number alone: 54 KB whose
    // rows give 40 million samples. Rows are read one at a time, so info
    // takes them in; the GWM file they would make is refused at the limit.
    std::string text = "PathFileType\t4\t(X/Y/Z)\tx.trc\nDataRate\n60\t60\t20000\t2000\tmm\t60\t1\tF\nF\tT";
    for (int i = 0; i < 2000; ++i) text += "\tM" + std::to_string(i) + "\t\t";
    text += "\t\n\t\tX1\n\n";
    for (int i = 0; i < 20000; ++i) text += "1\n";
    const auto rows = dir.Write("rows.trc", text);
    dir.Write("out.gwm", "precious");
    result = RunCommand({"info", rows.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("  Frames:            20000 in the header, 19999 rows read"),
              std::string::npos);
    result = RunCommand({"convert", rows.string(), gwm.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(gwm.string() + ": the output would take more than 64 MiB"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(ReadBytes(gwm), "precious");
    EXPECT_EQ(Entries(dir.Path()), 2u);
}

}  // namespace
