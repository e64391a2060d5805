// An interrupted convert, in a real child process held at a known point: the
// temporary files go, an existing output stays, and the exit status is the
// signal's; in a batch, Ctrl-C is the cancel between files.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "tests/tools/cli/RunProcess.h"
#include "tests/support/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using tovtest::ReadBytes;

const std::string kSamples = std::string(TOV_SOURCE_DIR) + "/samples/";

// Each signal at two points where a file of the run's own exists: the
// output to standard output, staged whole and held in its copy to a pipe
// no one reads; and the copy of an input that is a FIFO, held while the
// FIFO stays open, the output file named but not yet written.
TEST(InterruptTest, SignalsRemoveTheStagedFiles) {
    const std::string htr = ReadBytes(kSamples + "walk.htr");
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool toPipe : {true, false}) {
            SCOPED_TRACE(std::to_string(signalNumber) + (toPipe ? " staged output" : " input copy"));
            tovtest::ScratchDir dir;
            const auto tmp = dir.Path() / "tmp";
            fs::create_directory(tmp);
            fs::create_directory(dir.Path() / "out");
            const auto out = dir.Write("out/walk.htr", "precious");
            tovtest::ProcessOptions options;
            options.env = {"TMPDIR=" + tmp.string()};
            tovtest::HeldInput held(dir.Path() / "held.htr");
            int pipe[2];
            ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
            // A pipe of one page, which the sample's output overfills.
            ::fcntl(pipe[1], F_SETPIPE_SZ, 4096);
            if (toPipe) options.outputFd = pipe[1];
            const pid_t pid = tovtest::StartProcess(
                {"convert", toPipe ? kSamples + "walk.htr" : held.Path().string(),
                 toPipe ? "-" : out.string()},
                dir, options);
            ::close(pipe[1]);
            ASSERT_GT(pid, 0);  // never kill(-1, ...)
            if (toPipe) {
                // A full pipe stays full: the copy out is blocked.
                const int capacity = ::fcntl(pipe[0], F_GETPIPE_SZ);
                EXPECT_TRUE(tovtest::WaitUntil([&] {
                    int queued = 0;
                    return ::ioctl(pipe[0], FIONREAD, &queued) == 0 && queued >= capacity;
                }));
            } else {
                ASSERT_TRUE(held.Reached());
                EXPECT_TRUE(held.Feed(htr));
                EXPECT_TRUE(tovtest::WaitUntil([&] { return !tovtest::Entries(tmp).empty(); }));
            }
            ::kill(pid, signalNumber);
            EXPECT_EQ(tovtest::WaitProcess(pid, dir).status, 128 + signalNumber);
            ::close(pipe[0]);
            EXPECT_TRUE(tovtest::Entries(tmp).empty());
            EXPECT_EQ(ReadBytes(out), "precious");
            EXPECT_EQ(tovtest::Entries(dir.Path() / "out"), std::vector<std::string>{"walk.htr"});
        }
    }
}

// Ctrl-C in a batch is the cancel between files. The second source is a
// FIFO, and the signal comes once the batch has opened it: that file is
// read to its end and converted, the third is never started, the log
// closes with a line that says so, and the status is 1.
TEST(InterruptTest, CtrlCStopsABatchBetweenFiles) {
    tovtest::ScratchDir dir;
    const std::string trc = ReadBytes(kSamples + "walk.trc");
    const auto first = dir.Write("a.trc", trc);
    tovtest::HeldInput held(dir.Path() / "held.trc");
    const auto last = dir.Write("c.trc", trc);
    const auto out = dir.Path() / "out";
    // One job: the file after the one being read is not started.
    const pid_t pid = tovtest::StartProcess({"convert", "--batch", "--jobs", "1", "-o", out.string(),
                                             first.string(), held.Path().string(), last.string()},
                                            dir);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    ASSERT_TRUE(held.Reached());
    ::kill(pid, SIGINT);
    held.Release(trc);
    EXPECT_EQ(tovtest::WaitProcess(pid, dir).status, 1);
    const std::string log = ReadBytes(out / "ConvertGWMLog.txt");
    EXPECT_NE(log.find("file: " + first.string() + " done.\nfile: " + held.Path().string() +
                       " done.\nInterrupted: 2 of 3 files converted.\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(fs::exists(out / "held.gwm"));
    EXPECT_FALSE(fs::exists(out / "c.gwm"));
}

}  // namespace
