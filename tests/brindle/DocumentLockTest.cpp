// The lock that runs changing one document take turns with: it waits and
// gives up on time (what a waiting run says is the command-line tool's
// test), takes over from a killed holder, leaves nothing behind,
// and lets only one process at a time through.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "brindle/host/DocumentLock.h"
#include "tests/support/TestFiles.h"

using brindle::host::DocumentLock;
using namespace std::chrono_literals;

namespace {

TEST(DocumentLockTest, WaitsGivesUpAndLeavesNothingBehind) {
    tovtest::ScratchDir dir;
    const std::string document = dir.Write("scene.json", "{}").string();
    std::string error;
    DocumentLock holder, other;
    ASSERT_EQ(holder.Acquire(document, 0ms, {}, error), DocumentLock::Outcome::Held);
    EXPECT_EQ(other.Acquire(document, 100ms, {}, error), DocumentLock::Outcome::TimedOut);
    std::thread release([&holder] {
        std::this_thread::sleep_for(100ms);
        holder.Release();
    });
    EXPECT_EQ(other.Acquire(document, 10s, {}, error), DocumentLock::Outcome::Held);
    release.join();
    other.Release();
    EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"scene.json"});

    // A lock file left by a killed holder holds nothing; the next one takes
    // it over and removes it.
    dir.Write(".scene.json.lock", "");
    ASSERT_EQ(other.Acquire(document, 0ms, {}, error), DocumentLock::Outcome::Held);
    other.Release();
    EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"scene.json"});

    EXPECT_EQ(other.Acquire((dir.Path() / "no" / "s.json").string(), 0ms, {}, error),
              DocumentLock::Outcome::Failed);
    EXPECT_NE(error.find("/no/.s.json.lock: No such file or directory"), std::string::npos) << error;
}

// Processes adding one to a number in a file, each reading and writing it
// under the lock: no increment is lost, even as each holder removes the lock
// file that the next ones are waiting on.
TEST(DocumentLockTest, OneHolderAtATime) {
    tovtest::ScratchDir dir;
    const std::string counter = dir.Write("counter", "0").string();
    constexpr int kProcesses = 4, kIncrements = 150;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < kIncrements; ++i) {
                DocumentLock lock;
                std::string error;
                if (lock.Acquire(counter, 60s, {}, error) != DocumentLock::Outcome::Held) _exit(1);
                const int value = std::stoi(tovtest::ReadBytes(counter));
                std::FILE* file = std::fopen(counter.c_str(), "w");
                std::fprintf(file, "%d", value + 1);
                std::fclose(file);
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(tovtest::ReadBytes(counter), std::to_string(kProcesses * kIncrements));
    EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"counter"});
}

}  // namespace
