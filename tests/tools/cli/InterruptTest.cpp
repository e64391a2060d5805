// Interrupts, in real child processes held at known points. A convert: the
// temporary files go, an existing output stays, and the exit status is the
// signal's; in a batch, Ctrl-C is the cancel between files. tovfileio
// utility and mnm-create: Ctrl-C is the host's cancel: a batch stops after
// the file being written, with only whole GWM files, a closed log with a
// line for each and no hidden file left; the creator aborts; the panel
// closes and saves its settings; the status is 130.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "resources/ModuleResources.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

namespace fs = std::filesystem;
using tovtest::ReadBytes;
using tovtest::ScratchDir;

// Each signal at two points where a file of the run's own exists: the
// output to standard output, staged whole and held in its copy to a pipe
// no one reads; and the copy of an input that is a FIFO, held while the
// FIFO stays open, the output file named but not yet written.
TEST(InterruptTest, SignalsRemoveTheStagedFiles) {
    const std::string htr = ReadBytes(tovtest::kWalkHtr);
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
                {"convert", toPipe ? tovtest::kWalkHtr : held.Path().string(),
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
    const std::string trc = ReadBytes(tovtest::kWalkTrc);
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

// The exit status of a process that ended by itself; -1 when a signal ended it.
int Exited(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string Click(int id) { return "click " + std::to_string(id) + "\n"; }

class UtilityInterruptTest : public ::testing::Test {
protected:
    void SetUp() override {
        trc_ = ReadBytes(tovtest::kWalkTrc);
        scene_ = (dir_.Path() / "s.json").string();
        const auto made = tovtest::RunProcess(
            {"import-trc", dir_.Write("walk.trc", trc_).string(), "--scene", scene_}, dir_,
            Options());
        ASSERT_EQ(made.status, 0) << made.err;
    }

    // The module, and the registry file of the scratch folder.
    tovtest::ProcessOptions Options(int input = -1) const {
        tovtest::ProcessOptions options;
        options.env = {"BRINDLE_REGISTRY_FILE=" + (dir_.Path() / "registry.reg").string(),
                       std::string("TOVFILEIO_MODULE=") + TOV_MODULE_PATH};
        options.inputFd = input;
        return options;
    }
    std::string Shown() const { return ReadBytes(dir_.Path() / ".process-out"); }
    std::string Said() const { return ReadBytes(dir_.Path() / ".process-err"); }

    ScratchDir dir_;
    std::string trc_;
    std::string scene_;
};

// A batch of three whose second source is a FIFO; the signal comes once
// the batch has opened it. That file is read to its end and written, the
// third is not begun.
TEST_F(UtilityInterruptTest, BatchStopsAfterTheFileBeingWritten) {
    const auto first = dir_.Write("a.trc", trc_);
    tovtest::HeldInput held(dir_.Path() / "held.trc");
    const auto last = dir_.Write("c.trc", trc_);
    const auto map = dir_.Write("map.mnm", "LFHD\tLFHD\t\nC7\tC7\t\n");
    const auto out = dir_.Path() / "out";
    fs::create_directory(out);
    const std::string answers = Click(IDC_MNM_BROWSE) + map.string() + "\n" +
                                Click(IDC_OUTPUT_BROWSE) + out.string() + "\n" + Click(IDC_BATCH) +
                                Click(IDC_CONVERT) + first.string() + "\n" +
                                held.Path().string() + "\n" + last.string() + "\n\nquit\n";
    const int in = ::open(dir_.Write("answers", answers).c_str(), O_RDONLY);
    const pid_t pid = tovtest::StartProcess({"utility", "--scene", scene_}, dir_, Options(in));
    ::close(in);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    ASSERT_TRUE(held.Reached());
    ::kill(pid, SIGINT);
    held.Release(trc_);
    EXPECT_EQ(Exited(pid), 130) << Said();
    EXPECT_NE(Said().find("interrupted"), std::string::npos);

    const std::string log = ReadBytes(out / "ConvertGWMLog.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
    EXPECT_FALSE(fs::exists(out / "c.gwm"));
    EXPECT_TRUE(fs::exists(out / "a.gwm"));
    EXPECT_TRUE(fs::exists(out / "held.gwm"));
    for (const auto& entry : fs::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        EXPECT_NE(name.front(), '.');
        if (entry.path().extension() != ".gwm") continue;
        const std::string source = (dir_.Path() / entry.path().stem()).string() + ".trc";
        EXPECT_NE(log.find("file: " + source + " done.\n"), std::string::npos) << log;
        const std::string gwm = ReadBytes(entry.path());
        EXPECT_NE(gwm.find("\n30\t"), std::string::npos);  // the last frame is there
    }
    // The panel closed and saved its settings.
    const auto again = tovtest::RunProcess({"utility", "--scene", scene_}, dir_, Options());
    EXPECT_NE(again.out.find("1201 check box [x] Batch File Conversion"), std::string::npos)
        << again.out;
    EXPECT_NE(again.out.find("1138 read-only \"" + out.string() + "\""), std::string::npos);
}

// Ctrl-C while the creator waits for a pick (its input a pipe that stays
// open): the walk aborts, no file is written, the scene stays as it was.
TEST_F(UtilityInterruptTest, CreatorAbortsAtAPickPrompt) {
    const std::string before = ReadBytes(scene_);
    const auto mnm = dir_.Path() / "walk.mnm";
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t pid = tovtest::StartProcess({"mnm-create", "--scene", scene_, mnm.string()}, dir_,
                                            Options(ends[0]));
    ::close(ends[0]);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    const std::string typed = "n\nn\npick LFHD\n";
    EXPECT_EQ(::write(ends[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    EXPECT_TRUE(tovtest::WaitUntil([&] {
        const std::string shown = Shown();
        return shown.find("marker 2 of 43") != std::string::npos &&
               shown.size() >= 6 && shown.compare(shown.size() - 6, 6, "pick> ") == 0;
    }));
    ::kill(pid, SIGINT);
    EXPECT_EQ(Exited(pid), 130) << Said();
    ::close(ends[1]);
    EXPECT_FALSE(fs::exists(mnm));
    EXPECT_EQ(ReadBytes(scene_), before);
    EXPECT_EQ(Shown().find("marker 3 of 43"), std::string::npos);
}

}  // namespace
