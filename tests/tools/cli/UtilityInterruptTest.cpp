// Ctrl-C in tovfileio utility and mnm-create, in a real child process, is
// the host's cancel: a batch stops after the file being written, with only
// whole GWM files, a closed log with a line for each and no hidden file
// left; the creator aborts; the panel closes and saves its settings; the
// status is 130.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "resources/ModuleResources.h"
#include "tests/tools/cli/RunProcess.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::ReadBytes;
using tovtest::ScratchDir;

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
        trc_ = ReadBytes(std::string(TOV_SOURCE_DIR) + "/samples/walk.trc");
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
    std::filesystem::create_directory(out);
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
    EXPECT_FALSE(std::filesystem::exists(out / "c.gwm"));
    EXPECT_TRUE(std::filesystem::exists(out / "a.gwm"));
    EXPECT_TRUE(std::filesystem::exists(out / "held.gwm"));
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
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
    EXPECT_FALSE(std::filesystem::exists(mnm));
    EXPECT_EQ(ReadBytes(scene_), before);
    EXPECT_EQ(Shown().find("marker 3 of 43"), std::string::npos);
}

}  // namespace
