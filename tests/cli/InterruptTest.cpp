// An interrupted convert, in a real child process: the temporary file goes,
// an existing output stays, and the exit status is the signal's.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TestFiles.h"

namespace {

// A walk file claiming 20,000 frames: written with --frames header, it pads
// to about 30 MB, long enough to be interrupted.
std::string LongHtr() {
    std::string text = tovtest::ReadBytes(std::string(TOV_SOURCE_DIR) + "/samples/walk.htr");
    const std::size_t at = text.find("NumFrames 40");
    return text.replace(at, 12, "NumFrames 20000");
}

// Starts tovfileio with `args`, TMPDIR `tmp`, standard output `out`.
pid_t Start(const std::vector<std::string>& args, const std::string& tmp, int out) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::dup2(out, 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    std::vector<char*> argv{const_cast<char*>(TOVFILEIO_PATH)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(TOVFILEIO_PATH, argv.data());
    ::_exit(127);
}

bool AnyEntry(const std::filesystem::path& folder, const std::string& prefix) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return true;
    }
    return false;
}

// Standard output into a pipe no one reads: the copy from the staged file
// blocks, so the signal always finds it there.
TEST(InterruptTest, SignalsRemoveTheStagedFile) {
    tovtest::ScratchDir dir;
    const auto input = dir.Write("long.htr", LongHtr());
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        const auto tmp = dir.Path() / ("tmp" + std::to_string(signalNumber));
        std::filesystem::create_directory(tmp);
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        const pid_t pid = Start({"convert", "--frames", "header", input.string(), "-"},
                                tmp.string(), pipe[1]);
        ::close(pipe[1]);
        ASSERT_GT(pid, 0);  // never kill(-1, ...)
        // Wait until the staged file exists and the pipe is full.
        for (int i = 0; i < 2000 && !AnyEntry(tmp, "tovfileio-"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(pid, signalNumber);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ::close(pipe[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << signalNumber << " status " << status;
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_TRUE(std::filesystem::is_empty(tmp)) << signalNumber;
    }
}

// Bytes the process `pid` has written so far.
std::uint64_t BytesWritten(pid_t pid) {
    const std::string io = tovtest::ReadBytes("/proc/" + std::to_string(pid) + "/io");
    const std::size_t at = io.find("wchar:");
    return at == std::string::npos ? 0 : std::strtoull(io.c_str() + at + 6, nullptr, 10);
}

// A plain output: the signal comes while the new file is being written. The
// old file stays as it was and nothing else is left in its folder.
TEST(InterruptTest, ExistingOutputStaysAsItWas) {
    tovtest::ScratchDir dir;
    const auto input = dir.Write("long.htr", LongHtr());
    const auto out = dir.Write("out.htr", "precious");
    const int null = ::open("/dev/null", O_WRONLY);
    const pid_t pid = Start({"convert", "--frames", "header", input.string(), out.string()},
                            dir.Path().string(), null);
    ::close(null);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    // The new file is about 30 MB: stop it after the first megabyte.
    for (int i = 0; i < 20000 && BytesWritten(pid) < (1u << 20); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_EQ(tovtest::ReadBytes(out), "precious");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 2u);
}

// Ctrl-C in a batch is the cancel between files. The second source is a
// FIFO, so the batch is held there while the signal comes: the file being
// read is finished (or, when the signal broke off its opening, refused),
// the third is never started, the log closes with a line that says so, and
// the status is 1.
TEST(InterruptTest, CtrlCStopsABatchBetweenFiles) {
    tovtest::ScratchDir dir;
    const std::string trc = tovtest::ReadBytes(std::string(TOV_SOURCE_DIR) + "/samples/walk.trc");
    const auto first = dir.Write("a.trc", trc);
    const auto held = dir.Path() / "held.trc";
    ASSERT_EQ(::mkfifo(held.c_str(), 0600), 0);
    const auto last = dir.Write("c.trc", trc);
    const auto out = dir.Path() / "out";
    const int null = ::open("/dev/null", O_WRONLY);
    // One job: the file after the one being written is not started.
    const pid_t pid = Start({"convert", "--batch", "--jobs", "1", "-o", out.string(), first.string(),
                             held.string(), last.string()},
                            dir.Path().string(), null);
    ::close(null);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    for (int i = 0; i < 20000 && !std::filesystem::exists(out / "a.gwm"); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGINT);
    // Feed the FIFO if the batch still waits on it.
    for (int i = 0; i < 200; ++i) {
        const int fifo = ::open(held.c_str(), O_WRONLY | O_NONBLOCK);
        if (fifo >= 0) {
            ::fcntl(fifo, F_SETFL, 0);
            const ssize_t written = ::write(fifo, trc.data(), trc.size());
            EXPECT_EQ(written, static_cast<ssize_t>(trc.size()));
            ::close(fifo);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string log = tovtest::ReadBytes(out / "ConvertGWMLog.txt");
    const bool heldDone = log.find("file: " + held.string() + " done.\n") != std::string::npos;
    EXPECT_NE(log.find("file: " + first.string() + " done.\n"), std::string::npos) << log;
    const std::string ending =
        std::string("Interrupted: ") + (heldDone ? "2" : "1") + " of 3 files converted.\n";
    ASSERT_GE(log.size(), ending.size());
    EXPECT_EQ(log.substr(log.size() - ending.size()), ending) << log;
    EXPECT_FALSE(std::filesystem::exists(out / "c.gwm"));
    EXPECT_EQ(std::filesystem::exists(out / "held.gwm"), heldDone);
}

}  // namespace
