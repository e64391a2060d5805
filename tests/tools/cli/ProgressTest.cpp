// The progress bar: drawn on a terminal, then cleared; nothing at all on
// anything else.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "cli/run/HostProgress.h"
#include "cli/run/Progress.h"

namespace {

TEST(ProgressTest, DrawnOnATerminalOnly) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        GTEST_SKIP() << "no pseudo-terminal here";
    }
    std::FILE* terminal = std::fopen(::ptsname(master), "w");
    ASSERT_NE(terminal, nullptr);
    std::atomic<std::uint64_t> done{1000};
    {
        Progress progress(terminal, 200, [&] { return done.load(); }, "reading x.trc",
                          std::chrono::milliseconds(0));
        done = 1100;
        std::this_thread::sleep_for(std::chrono::milliseconds(350));
    }
    std::fclose(terminal);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    std::string shown;
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;) {
        shown.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(master);
    ASSERT_GE(shown.size(), 4u);
    EXPECT_NE(shown.find("\rreading x.trc [###############...............]  50%"), std::string::npos)
        << shown;
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K");

    // Not a terminal: nothing, however long it runs.
    std::FILE* file = std::tmpfile();
    {
        Progress progress(file, 200, [] { return std::uint64_t{100}; }, "x",
                          std::chrono::milliseconds(0));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
}

// An import's bar: the reading of its file until the importer's own display
// says more than 0%, then the importer's.
TEST(ProgressTest, AnImportShowsItsReadingThenTheImportersBar) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        GTEST_SKIP() << "no pseudo-terminal here";
    }
    std::FILE* terminal = std::fopen(::ptsname(master), "w");
    ASSERT_NE(terminal, nullptr);
    std::atomic<std::uint64_t> read{0};
    {
        HostProgressBar bar(terminal);
        bar.ShowUntilStarted(100, [&] { return read.load(); }, "reading walk.htr");
        bar.Started(L"Tovelund ImportHTR");  // opened before the file is read
        read = 40;
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        bar.Updated(30);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        bar.Ended();
    }
    std::fclose(terminal);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    std::string shown;
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;) {
        shown.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(master);
    const auto reading = shown.find("reading walk.htr [############..................]  40%");
    const auto importing = shown.find("Tovelund ImportHTR [#########.....................]  30%");
    ASSERT_NE(reading, std::string::npos) << shown;
    ASSERT_NE(importing, std::string::npos) << shown;
    EXPECT_LT(reading, importing);
    EXPECT_EQ(shown.find("Tovelund ImportHTR [.............................."), std::string::npos);
}

}  // namespace
