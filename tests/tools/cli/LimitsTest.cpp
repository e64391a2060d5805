// What convert will not do unasked: pad a file out of proportion to what it
// holds, write more than the output limit, or read standard input, a device
// or a FIFO past the input limit; and what needs no limit: the rows of a TRC
// file, read one at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

using tovtest::ReadBytes;
using tovtest::RunCommand;

namespace {

const std::string kHtr = std::string(TOV_SOURCE_DIR) + "/samples/walk.htr";
const std::string kTrc = std::string(TOV_SOURCE_DIR) + "/samples/walk.trc";

// The sample TRC file (40 rows) claiming `frames` in its header.
std::string TrcClaiming(const std::string& frames) {
    std::string text = ReadBytes(kTrc);
    const std::size_t line3 = text.find('\n', text.find('\n') + 1) + 1;
    const std::size_t field = text.find("\t40\t", line3);
    return text.replace(field, 4, "\t" + frames + "\t");
}

std::string HtrClaiming(const std::string& frames) {
    std::string text = ReadBytes(kHtr);
    return text.replace(text.find("NumFrames 40"), 12, "NumFrames " + frames);
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
              trc.string() + ": warning: the header gives 2000000000 frames, the file holds 40 data rows\n" +
                  trc.string() + ": the header gives 2000000000 frames but the file holds 40: writing "
                                 "them would pad 1999999960 frames; nothing written (--frames header "
                                 "writes them)\n");
    result = RunCommand({"convert", htr.string(), out});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("would pad 1999999960 frames; nothing written"), std::string::npos);
    EXPECT_EQ(tovtest::Entries(dir.Path()).size(), 2u);

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
                                            "holds 40 data rows\n");
    EXPECT_NE(ReadBytes(gwm).find("$NumFrames 1030\n"), std::string::npos);
    const auto shorter = dir.Write("short.trc", TrcClaiming("10"));
    result = RunCommand({"convert", shorter.string(), gwm});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find(": warning: only the first 10 of the 40 frames held are written "
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
    EXPECT_EQ(tovtest::Entries(dir.Path()).size(), 1u);
    ASSERT_EQ(RunCommand({"convert", "--max-output", "46K", kTrc, gwm.string()}).status, 0);

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
    EXPECT_EQ(tovtest::Entries(dir.Path()).size(), 2u);
}

// A FIFO that a thread fills with `bytes` once a reader opens it.
class FedFifo {
public:
    FedFifo(const std::filesystem::path& path, std::string bytes)
        : path_(path.string()), bytes_(std::move(bytes)) {
        previous_ = std::signal(SIGPIPE, SIG_IGN);  // a reader that stops early
        made_ = ::mkfifo(path_.c_str(), 0600) == 0;
        if (made_) feed_ = std::thread([this] { Feed(); });
    }
    ~FedFifo() {
        if (feed_.joinable()) {
            // A reader that never came: open it here so the feed ends.
            const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
            feed_.join();
            if (fd >= 0) ::close(fd);
        }
        std::signal(SIGPIPE, previous_);
    }
    bool Made() const { return made_; }
    const std::string& Path() const { return path_; }

private:
    void Feed() {
        const int fd = ::open(path_.c_str(), O_WRONLY);
        for (std::size_t at = 0; fd >= 0 && at < bytes_.size();) {
            const ssize_t put = ::write(fd, bytes_.data() + at, bytes_.size() - at);
            if (put <= 0) break;
            at += static_cast<std::size_t>(put);
        }
        if (fd >= 0) ::close(fd);
    }
    std::string path_, bytes_;
    bool made_ = false;
    std::thread feed_;
    void (*previous_)(int) = SIG_DFL;
};

// Standard input, a device or a FIFO is read up to --max-input bytes: one
// that offers more is refused with the limit named, where `info
// /dev/urandom` once never ended; one within it reads whole, its first bytes
// intact though the format is guessed from them.
TEST(LimitsTest, InputsOfNoKnownSizeStopAtTheInputLimit) {
    tovtest::ScratchDir dir;
    const std::string htr = ReadBytes(kHtr);  // 30 KB
    const std::string out = (dir.Path() / "out.htr").string();
    const std::string glb = (dir.Path() / "out.glb").string();
    const std::string gwm = (dir.Path() / "o.gwm").string();
    struct Case {
        const char* name;
        Arguments args;
        const char* fifoBytes;  // "htr" or "trc": a FIFO "in" feeding the sample; null: none
        bool viaStdin;
        int status;
        std::string err;    // in standard error
        std::string shown;  // in standard output or the GWM file written
    };
    const std::string fifo = (dir.Path() / "in").string();
    const std::string beyond = ": stopped reading after 1000 bytes: not a file of finite size";
    const Case cases[] = {
        {"zeros", {"info", "--max-input", "1000", "/dev/zero"}, nullptr, false, 1,
         "/dev/zero" + beyond, ""},
        {"random bytes", {"info", "--max-input", "1K", "/dev/urandom"}, nullptr, false, 1,
         "/dev/urandom: stopped reading after 1024 bytes", ""},
        {"standard input", {"info", "--max-input", "1000", "-"}, nullptr, true, 1, "-" + beyond,
         ""},
        {"a FIFO", {"info", "--max-input", "1000", fifo}, "htr", false, 1, fifo + beyond, ""},
        {"convert from standard input", {"convert", "--max-input", "1000", "-", out}, nullptr,
         true, 1, "-" + beyond, ""},
        {"convert a FIFO to glTF", {"convert", "--max-input", "1000", fifo, glb}, "htr", false, 1,
         fifo + beyond, ""},
        {"a FIFO within the limit", {"info", fifo}, "htr", false, 0, "",
         "  Segments:          21\n"},
        {"a TRC FIFO within the limit", {"convert", fifo, gwm}, "trc", false, 0, "",
         "$NumFrames 40\n"},
        {"no size", {"info", "--max-input", "lots", kHtr}, nullptr, false, 2, "--max-input takes",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool random =
            std::find(c.args.begin(), c.args.end(), "/dev/urandom") != c.args.end();
        if (random && !std::filesystem::exists("/dev/urandom")) continue;
        std::optional<FedFifo> feed;
        if (c.fifoBytes != nullptr) {
            feed.emplace(fifo, std::string(c.fifoBytes) == "htr" ? htr : ReadBytes(kTrc));
            ASSERT_TRUE(feed->Made());
        }
        ::setenv("SOURCE_DATE_EPOCH", "0", 1);
        const auto run =
            c.viaStdin ? tovtest::RunCommandWithInput(c.args, htr) : RunCommand(c.args);
        ::unsetenv("SOURCE_DATE_EPOCH");
        feed.reset();
        std::filesystem::remove(fifo);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        if (!c.shown.empty()) {
            const std::string written = std::filesystem::exists(gwm) ? ReadBytes(gwm) : "";
            EXPECT_NE((run.out + written).find(c.shown), std::string::npos) << run.out;
        }
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(glb));
    }
}

}  // namespace
