#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>

#include "tests/support/TestFiles.h"
#include "tovfileio/trc/TRCFile.h"
#include "tovfileio/gwm/GWMWriter.h"

using namespace tovfileio;

using tovtest::ScratchDir;
using tovtest::Wide;

namespace {

// Two markers over three rows, B missing in row 1; the header claims four
// frames from frame 7, so the fourth row has no samples at all.
const char kTrc[] =
    "PathFileType\t4\t(X/Y/Z)\tx.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\n"
    "100\t120\t4\t2\tmm\t100\t7\n"
    "Frame#\tTime\tA\t\t\tB\t\t\t\n"
    "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n"
    "\n"
    "7\t0\t1\t2\t3\t4\t5\t6\n"
    "8\t0\t-1\t0\t0.5\t\t\t\n"
    "9\t0\t1e3\t2\t3\t4\t5\t6\n";

std::string Write(const ScratchDir& dir, const TRCFile& trc, const ConvertGWMSettings& settings,
                  const std::string& name = "out.gwm") {
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    EXPECT_TRUE(WriteGWMFile(Wide(dir.Path() / name), trc, settings));
    ::unsetenv("SOURCE_DATE_EPOCH");
    return tovtest::ReadBytes(dir.Path() / name);
}

TEST(GWMWriterTest, WritesTheWholeLayout) {
    ScratchDir dir;
    TRCFile trc;
    ASSERT_EQ(trc.Read(Wide(dir.Write("in.trc", kTrc))), L"");
    EXPECT_EQ(Write(dir, trc, ConvertGWMSettings(), "walk.take.gwm"),
              "$Comments\tGWM file generated from TRC file by\n"
              "$Comments\tTovelund TOVFileIO plugin\n\n"
              "$Filename   walk.take\n"
              "$DateTime   Thu Jan  1 00:00:00 1970\n\n"
              "$FirstFrame 7\n"
              "$LastFrame 10\n"
              "$NumFrames 4\n"
              "$NumMarkers 2\n"
              "$CaptureRate 120\n"
              "$Rate 100\n\n"
              "$Order\n"
              "A B \n\n"
              "$Points\n"
              "7\t1.000000\t-3.000000\t2.000000\t4.000000\t-6.000000\t5.000000\t\n\n"
              "8\t-1.000000\t-0.500000\t0.000000\tDROPOUT\t\n\n"
              "9\t1000.000000\t-3.000000\t2.000000\t4.000000\t-6.000000\t5.000000\t\n\n"
              "10\tDROPOUT\tDROPOUT\t\n\n");
}

// The layout holds with no marker included and with no frame. (The offsets,
// in either space, are checked by the command line's batch test.)
TEST(GWMWriterTest, NoMarkersOrNoFrames) {
    ScratchDir dir;
    TRCFile trc;
    ASSERT_EQ(trc.Read(Wide(dir.Write("in.trc", kTrc))), L"");
    // No marker included: no names, rows of frame numbers only.
    trc.GetMarker(0)->SetIncluded(false);
    trc.GetMarker(1)->SetIncluded(false);
    const std::string none = Write(dir, trc, ConvertGWMSettings());
    EXPECT_NE(none.find("$NumMarkers 0\n"), std::string::npos);
    EXPECT_NE(none.find("$Order\n\n\n$Points\n7\t\n\n8\t\n\n"), std::string::npos);

    std::string empty = kTrc;
    empty.replace(empty.find("100\t120\t4"), 9, "100\t120\t0");
    ASSERT_EQ(trc.Read(Wide(dir.Write("in.trc", empty))), L"");
    const std::string noFrames = Write(dir, trc, ConvertGWMSettings());
    EXPECT_NE(noFrames.find("$LastFrame 6\n$NumFrames 0\n"), std::string::npos);
    EXPECT_EQ(noFrames.substr(noFrames.size() - 8), "$Points\n");

    EXPECT_FALSE(WriteGWMFile(Wide(dir.Path() / "no" / "folder.gwm"), trc, ConvertGWMSettings()));
}

// The "$Filename" line holds the output's base name on one line: control
// characters in the name become "_"; other names are written as they are.
TEST(GWMWriterTest, FilenameLineStaysOneLine) {
    ScratchDir dir;
    TRCFile trc;
    ASSERT_EQ(trc.Read(Wide(dir.Write("in.trc", kTrc))), L"");
    const std::pair<const char*, const char*> cases[] = {
        {"two\nlines.gwm", "$Filename   two_lines\n$DateTime"},
        {"esc\x1b[2J\ttab.gwm", "$Filename   esc_[2J_tab\n$DateTime"},
        {"caf\xC3\xA9 \x7F.gwm", "$Filename   caf\xC3\xA9 \x7F\n$DateTime"},
    };
    for (const auto& [file, line] : cases) {
        const std::string gwm = Write(dir, trc, ConvertGWMSettings(), file);
        EXPECT_NE(gwm.find(line), std::string::npos) << file;
    }
}

// A file that stops taking bytes on the way is not left half-written; a
// device that refuses them stays where it is.
TEST(GWMWriterTest, FailedWritesLeaveNothing) {
    ScratchDir dir;
    TRCFile trc;
    std::string claimsMore = kTrc;
    claimsMore.replace(claimsMore.find("100\t120\t4"), 9, "100\t120\t9000");
    ASSERT_EQ(trc.Read(Wide(dir.Write("in.trc", claimsMore))), L"");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    const bool written = WriteGWMFile(Wide(dir.Path() / "big.gwm"), trc, ConvertGWMSettings());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "big.gwm"));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(WriteGWMFile(L"/dev/full", trc, ConvertGWMSettings()));
        EXPECT_TRUE(std::filesystem::exists("/dev/full"));
    }
}

TEST(GWMWriterTest, CorpusFilesConvert) {
    const auto files = tovtest::CorpusFiles("trc", ".trc");
    if (files.empty()) GTEST_SKIP() << "no corpus beside the project";
    ScratchDir dir;
    for (const auto& path : files) {
        TRCFile trc;
        if (!trc.Read(Wide(path)).empty()) continue;
        const std::string gwm = Write(dir, trc, ConvertGWMSettings());
        // One row per frame the header claims, each followed by an empty line.
        std::size_t rows = 0;
        for (std::size_t at = gwm.find("$Points\n"); (at = gwm.find("\n\n", at + 1)) != std::string::npos;) {
            ++rows;
        }
        EXPECT_EQ(rows, static_cast<std::size_t>(std::max(trc.GetNumFrames(), 0)))
            << path.filename();
    }
}

}  // namespace
