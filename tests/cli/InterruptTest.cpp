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

// A plain output: the signal comes while the staged file beside it grows.
TEST(InterruptTest, ExistingOutputStaysAsItWas) {
    tovtest::ScratchDir dir;
    const auto input = dir.Write("long.htr", LongHtr());
    const auto out = dir.Write("out.htr", "precious");
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int null = ::open("/dev/null", O_WRONLY);
        const pid_t pid = Start({"convert", "--frames", "header", input.string(), out.string()},
                                dir.Path().string(), null);
        ::close(null);
        ASSERT_GT(pid, 0);  // never kill(-1, ...)
        for (int i = 0; i < 20000 && !AnyEntry(dir.Path(), ".out.htr.partial-"); ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ::kill(pid, SIGINT);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        if (!WIFSIGNALED(status)) {
            // It finished first; put the output back and try again.
            dir.Write("out.htr", "precious");
            continue;
        }
        EXPECT_EQ(WTERMSIG(status), SIGINT);
        EXPECT_FALSE(AnyEntry(dir.Path(), ".out.htr.partial-"));
        EXPECT_EQ(tovtest::ReadBytes(out), "precious");
        return;
    }
    GTEST_SKIP() << "the conversion always finished before the signal";
}

// A TRC file of 40 markers over 4000 rows, about 4 MB.
std::string LongTrc() {
    std::string text =
        "PathFileType\t4\t(X/Y/Z)\tlong.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\t"
        "Units\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n100\t100\t4000\t40\tmm\t100"
        "\t1\t4000\nFrame#\tTime";
    for (int m = 0; m < 40; ++m) text += "\tM" + std::to_string(m) + "\t\t";
    text += "\n\t";
    for (int m = 1; m <= 40; ++m) {
        const std::string n = std::to_string(m);
        text += "\tX" + n + "\tY" + n + "\tZ" + n;
    }
    text += "\n\n";
    for (int row = 1; row <= 4000; ++row) {
        text += std::to_string(row) + "\t" + std::to_string(row * 0.01);
        for (int v = 0; v < 120; ++v) text += "\t" + std::to_string(row + v) + ".125";
        text += "\n";
    }
    return text;
}

// Ctrl-C in a batch is the host's cancel: the file being written is
// finished, the rest are skipped, the log is closed, and the status is 1.
TEST(InterruptTest, CtrlCStopsABatchBetweenFiles) {
    tovtest::ScratchDir dir;
    const std::string trc = LongTrc();
    std::vector<std::string> args{"convert", "--batch", "-o", (dir.Path() / "out").string()};
    constexpr int kFiles = 20;
    for (int i = 0; i < kFiles; ++i) {
        args.push_back(dir.Write("f" + std::to_string(i) + ".trc", trc).string());
    }
    std::filesystem::create_directory(dir.Path() / "out");
    const int null = ::open("/dev/null", O_WRONLY);
    const pid_t pid = Start(args, dir.Path().string(), null);
    ::close(null);
    ASSERT_GT(pid, 0);  // never kill(-1, ...)
    for (int i = 0; i < 20000 && !std::filesystem::exists(dir.Path() / "out" / "f0.gwm"); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    const std::string log = tovtest::ReadBytes(dir.Path() / "out" / "ConvertGWMLog.txt");
    std::size_t done = 0;
    for (std::size_t at = log.find("\nfile: "); at != std::string::npos;
         at = log.find("\nfile: ", at + 1)) {
        ++done;
    }
    if (done == kFiles) GTEST_SKIP() << "the batch finished before the signal";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(log.back(), '\n');
    // Every GWM file there is whole, and there is one for each line done.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "out")) {
        if (entry.path().extension() != ".gwm") continue;
        ++files;
        const std::string gwm = tovtest::ReadBytes(entry.path());
        EXPECT_NE(gwm.find("\n\n4000\t"), std::string::npos) << entry.path();
        EXPECT_EQ(gwm.substr(gwm.size() - 3), "\t\n\n") << entry.path();
    }
    EXPECT_EQ(files, done);
}

}  // namespace
