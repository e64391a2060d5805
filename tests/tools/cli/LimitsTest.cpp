// What convert will not do unasked: pad a file out of proportion to what it
// holds, write more than the output limit, or read standard input, a device
// or a FIFO past the input limit; and what needs no limit: the rows of a TRC
// file, read one at a time.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

using tovtest::Edited;
using tovtest::kWalkHtr;
using tovtest::kWalkTrc;
using tovtest::ReadBytes;
using tovtest::RunCommand;

class LimitsTest : public tovtest::CliTest {};

// The samples (40 frames) claiming `frames` in their headers.
std::string TrcClaiming(const std::string& frames) {
    return Edited(ReadBytes(kWalkTrc), "\t40\t", "\t" + frames + "\t");
}
std::string HtrClaiming(const std::string& frames) {
    return Edited(ReadBytes(kWalkHtr), "NumFrames 40", "NumFrames " + frames);
}

TEST_F(LimitsTest, PaddingOutOfProportionIsRefusedUnlessChosen) {
    const std::string trc = Write("huge.trc", TrcClaiming("2000000000")), htr = Write("huge.htr", HtrClaiming("2000000000"));
    const std::string gwm = Path("out.gwm"), out = Path("out.htr");
    auto run = RunCommand({"convert", trc, gwm});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, trc + ": warning: the header gives 2000000000 frames, the file holds 40 data rows\n" + trc +
                           ": the header gives 2000000000 frames but the file holds 40: writing them would pad "
                           "1999999960 frames; nothing written (--frames header writes them)\n");
    run = RunCommand({"convert", htr, out});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("would pad 1999999960 frames; nothing written"), std::string::npos);
    EXPECT_EQ(tovtest::Entries(dir_.Path()).size(), 2u);

    // --frames held writes what an HTR file holds.
    ASSERT_EQ(RunCommand({"convert", "--frames=held", htr, out}).status, 0);
    EXPECT_EQ(ReadBytes(out), ReadBytes(kWalkHtr));
    // --frames header asks for the padding; the output limit still holds.
    run = RunCommand({"convert", "--frames", "header", htr, out});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(out + ": the output would take at least 2542.5 GiB, out of proportion to the input; "
                                 "--max-output allows more\n"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(out), ReadBytes(kWalkHtr));

    // Padding up to the frames held, or 1000 frames, is written with a
    // warning; a header short of the rows writes the first frames only.
    const std::string padded = Write("padded.trc", TrcClaiming("1030"));
    run = RunCommand({"convert", padded, gwm});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, padded + ": warning: the header gives 1030 frames, the file holds 40 data rows\n");
    EXPECT_NE(ReadBytes(gwm).find("$NumFrames 1030\n"), std::string::npos);
    run = RunCommand({"convert", Write("short.trc", TrcClaiming("10")), gwm});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find(": warning: only the first 10 of the 40 frames held are written (a GWM file has the "
                           "header's frame count)\n"),
              std::string::npos)
        << run.err;
}

TEST_F(LimitsTest, OutputLimitAndRowsWithoutLimit) {
    const std::string gwm = Write("out.gwm", "precious");
    // The writer is stopped at the limit by the file-size limit; nothing is
    // left of its staged file.
    auto run = RunCommand({"convert", "--max-output", "5K", kWalkTrc, gwm});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, gwm + ": the output would take more than 5120 bytes, out of proportion to the input; "
                             "--max-output allows more\n");
    EXPECT_EQ(ReadBytes(gwm), "precious");
    EXPECT_EQ(tovtest::Entries(dir_.Path()).size(), 1u);
    ASSERT_EQ(RunCommand({"convert", "--max-output", "46K", kWalkTrc, gwm}).status, 0);

    // 2000 markers and 20000 rows of a frame number alone: 54 KB whose
    // rows give 40 million samples. Rows are read one at a time, so info
    // takes them in; the GWM file they would make is refused at the limit.
    std::string text = "PathFileType\t4\t(X/Y/Z)\tx.trc\nDataRate\n60\t60\t20000\t2000\tmm\t60\t1\tF\nF\tT";
    for (int i = 0; i < 2000; ++i) text += "\tM" + std::to_string(i) + "\t\t";
    text += "\t\n\t\tX1\n\n";
    for (int i = 0; i < 20000; ++i) text += "1\n";
    const std::string rows = Write("rows.trc", text);
    Write("out.gwm", "precious");
    run = RunCommand({"info", rows});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  Frames:            20000 in the header, 19999 rows read"), std::string::npos);
    run = RunCommand({"convert", rows, gwm});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(gwm + ": the output would take more than 64 MiB"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(gwm), "precious");
    EXPECT_EQ(tovtest::Entries(dir_.Path()).size(), 2u);
}

// A FIFO that a thread fills with `bytes` once a reader opens it, until the
// reader stops reading.
class FedFifo {
public:
    FedFifo(const std::string& path, const std::string& bytes)
        : held_(path), feed_([this, bytes] {
              if (held_.Reached()) held_.Release(bytes);
          }) {}
    ~FedFifo() { feed_.join(); }

private:
    tovtest::HeldInput held_;
    std::thread feed_;
};

// Standard input, a device or a FIFO is read up to --max-input bytes: one
// that offers more is refused with the limit named, where `info
// /dev/urandom` once never ended; one within it reads whole, its first bytes
// intact though the format is guessed from them.
TEST_F(LimitsTest, InputsOfNoKnownSizeStopAtTheInputLimit) {
    const std::string htr = ReadBytes(kWalkHtr), trc = ReadBytes(kWalkTrc);  // 30 KB and more
    const std::string fifo = Path("in"), out = Path("out.htr"), glb = Path("out.glb"), gwm = Path("o.gwm");
    const std::string beyond = ": stopped reading after 1000 bytes: not a file of finite size";
    struct Case {
        Arguments args;
        const std::string* fed;  // what a FIFO "in" gives; null: none
        bool viaStdin;
        int status;
        std::string err;    // in standard error
        std::string shown;  // in standard output or the GWM file written
    };
    const Case cases[] = {
        {{"info", "--max-input", "1000", "/dev/zero"}, nullptr, false, 1, "/dev/zero" + beyond, ""},
        {{"info", "--max-input", "1K", "/dev/urandom"}, nullptr, false, 1, "/dev/urandom: stopped reading after 1024 bytes", ""},
        {{"info", "--max-input", "1000", "-"}, nullptr, true, 1, "-" + beyond, ""},
        {{"info", "--max-input", "1000", fifo}, &htr, false, 1, fifo + beyond, ""},
        {{"convert", "--max-input", "1000", "-", out}, nullptr, true, 1, "-" + beyond, ""},
        {{"convert", "--max-input", "1000", fifo, glb}, &htr, false, 1, fifo + beyond, ""},
        {{"info", fifo}, &htr, false, 0, "", "  Segments:          21\n"},
        {{"convert", fifo, gwm}, &trc, false, 0, "", "$NumFrames 40\n"},
    };
    const auto previous = std::signal(SIGPIPE, SIG_IGN);  // a reader that stops early
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        if (c.args.back() == "/dev/urandom" && !std::filesystem::exists("/dev/urandom")) continue;
        const tovtest::ScopedEnv epoch("SOURCE_DATE_EPOCH", "0");
        tovtest::CommandResult run;
        {
            std::optional<FedFifo> feed;
            if (c.fed != nullptr) feed.emplace(fifo, *c.fed);
            run = c.viaStdin ? RunCommand(c.args, htr) : RunCommand(c.args);
        }
        std::filesystem::remove(fifo);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        if (!c.shown.empty()) {
            const std::string written = std::filesystem::exists(gwm) ? ReadBytes(gwm) : "";
            EXPECT_NE((run.out + written).find(c.shown), std::string::npos) << run.out;
        }
        EXPECT_FALSE(std::filesystem::exists(out) || std::filesystem::exists(glb));
    }
    std::signal(SIGPIPE, previous);
}

}  // namespace
