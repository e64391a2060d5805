#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>

#include "tests/lib/gwm/TwoMarkerTake.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/trc/TRCFile.h"
#include "tovfileio/gwm/GWMWriter.h"

using namespace tovfileio;

using tovtest::ScratchDir;
using tovtest::Wide;

namespace {

// A scratch folder, and the two-marker take read from it.
class GWMWriterTest : public ::testing::Test {
protected:
    void SetUp() override { Read(tovtest::kTwoMarkerTrc); }
    void Read(const std::string& text) { ASSERT_EQ(trc_.Read(Wide(dir_.Write("in.trc", text))), L""); }
    // The GWM file written of the take to `name` in the folder, dated 1970.
    std::string Written(const std::string& name = "out.gwm") const {
        ::setenv("SOURCE_DATE_EPOCH", "0", 1);
        EXPECT_TRUE(WriteGWMFile(Wide(dir_.Path() / name), trc_, ConvertGWMSettings()));
        ::unsetenv("SOURCE_DATE_EPOCH");
        return tovtest::ReadBytes(dir_.Path() / name);
    }
    // The two-marker take with line 3 claiming `frames` frames.
    static std::string Claiming(const std::string& frames) {
        std::string text = tovtest::kTwoMarkerTrc;
        return text.replace(text.find("100\t120\t4"), 9, "100\t120\t" + frames);
    }

    ScratchDir dir_;
    TRCFile trc_;
};

TEST_F(GWMWriterTest, WritesTheWholeLayout) {
    EXPECT_EQ(Written("walk.take.gwm"),
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
TEST_F(GWMWriterTest, NoMarkersOrNoFrames) {
    // No marker included: no names, rows of frame numbers only.
    trc_.GetMarker(0)->SetIncluded(false);
    trc_.GetMarker(1)->SetIncluded(false);
    const std::string none = Written();
    EXPECT_NE(none.find("$NumMarkers 0\n"), std::string::npos);
    EXPECT_NE(none.find("$Order\n\n\n$Points\n7\t\n\n8\t\n\n"), std::string::npos);

    Read(Claiming("0"));
    const std::string noFrames = Written();
    EXPECT_NE(noFrames.find("$LastFrame 6\n$NumFrames 0\n"), std::string::npos);
    EXPECT_EQ(noFrames.substr(noFrames.size() - 8), "$Points\n");

    EXPECT_FALSE(WriteGWMFile(Wide(dir_.Path() / "no" / "folder.gwm"), trc_, ConvertGWMSettings()));
}

// The "$Filename" line holds the output's base name on one line: control
// characters in the name become "_"; other names are written as they are.
TEST_F(GWMWriterTest, FilenameLineStaysOneLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"two\nlines.gwm", "$Filename   two_lines\n$DateTime"},
        {"esc\x1b[2J\ttab.gwm", "$Filename   esc_[2J_tab\n$DateTime"},
        {"caf\xC3\xA9 \x7F.gwm", "$Filename   caf\xC3\xA9 \x7F\n$DateTime"},
    };
    for (const auto& [file, line] : cases) {
        EXPECT_NE(Written(file).find(line), std::string::npos) << file;
    }
}

// A file that stops taking bytes on the way is not left half-written; a
// device that refuses them stays where it is.
TEST_F(GWMWriterTest, FailedWritesLeaveNothing) {
    Read(Claiming("9000"));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    const bool written = WriteGWMFile(Wide(dir_.Path() / "big.gwm"), trc_, ConvertGWMSettings());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "big.gwm"));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(WriteGWMFile(L"/dev/full", trc_, ConvertGWMSettings()));
        EXPECT_TRUE(std::filesystem::exists("/dev/full"));
    }
}

TEST_F(GWMWriterTest, CorpusFilesConvert) {
    const auto files = tovtest::CorpusFiles("trc", ".trc");
    if (files.empty()) GTEST_SKIP() << "no corpus beside the project";
    for (const auto& path : files) {
        trc_ = TRCFile();
        if (!trc_.Read(Wide(path)).empty()) continue;
        const std::string gwm = Written();
        // One row per frame the header claims, each followed by an empty line.
        std::size_t rows = 0;
        for (std::size_t at = gwm.find("$Points\n"); (at = gwm.find("\n\n", at + 1)) != std::string::npos;) {
            ++rows;
        }
        EXPECT_EQ(rows, static_cast<std::size_t>(std::max(trc_.GetNumFrames(), 0)))
            << path.filename();
    }
}

}  // namespace
