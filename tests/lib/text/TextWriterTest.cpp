// The libraries' text writer: a file is replaced whole or not at all (links
// written through to their end, permissions kept, a file's other names left
// with the old content, write-protected files and looping links refused),
// and leaves nothing behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tovfileio/text/TextWriter.h"
#include "tests/support/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using tovtest::ReadBytes;
using tovtest::ScratchDir;
using tovtest::Wide;

bool WriteText(const fs::path& path, const std::string& text) {
    tovfileio::TextWriter file;
    if (!file.Open(Wide(path))) return false;
    file.Write(text);
    return file.Commit();
}

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// A process number that no process has now.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST(TextWriterTest, ReplacesKeepingLinksAndPermissions) {
    ScratchDir dir;
    const auto target = dir.Write("target.txt", "old");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("target.txt", dir.Path() / "link.txt");
    fs::create_hard_link(target, dir.Path() / "other-name.txt");

    // Through the link: the target gets the text and keeps its permissions;
    // the link stays, and the target's other name keeps the old file whole.
    ASSERT_TRUE(WriteText(dir.Path() / "link.txt", "new"));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.txt"));
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_EQ(ReadBytes(dir.Path() / "other-name.txt"), "old");
    EXPECT_EQ(ModeOf(target), 0640u);

    // A write-protected file is refused, even for a user who may write
    // anything, and stays as it was.
    const auto locked = dir.Write("locked.txt", "keep");
    ::chmod(locked.c_str(), 0444);
    tovfileio::TextWriter file;
    EXPECT_FALSE(file.Open(Wide(locked)));
    EXPECT_EQ(ReadBytes(locked), "keep");

    // A new file takes the mode asked for, less the umask.
    tovfileio::TextWriter fresh;
    fresh.SetNewFileMode(0600);
    ASSERT_TRUE(fresh.Open(Wide(dir.Path() / "fresh.txt")));
    ASSERT_TRUE(fresh.Commit());
    EXPECT_EQ(ModeOf(dir.Path() / "fresh.txt"), 0600u);
    EXPECT_EQ(tovtest::Entries(dir.Path()).size(), 5u);
}

// Links are followed to the file at their end, a relative one from its own
// folder; links that go round, or more than the system follows in one path,
// are refused as the system refuses to open them, and the writer leaves them
// as they are.
TEST(TextWriterTest, LinksAreFollowedToTheirEnd) {
    ScratchDir dir;
    const fs::path d = dir.Path();
    fs::create_directory(d / "sub");
    dir.Write("file", "old");
    fs::create_symlink("file", d / "link");
    fs::create_symlink("../file", d / "sub" / "up");
    fs::create_symlink(d / "sub" / "up", d / "absolute");
    fs::create_symlink("none", d / "dangling");
    fs::create_symlink("loop-b", d / "loop-a");
    fs::create_symlink("loop-a", d / "loop-b");
    fs::create_symlink("self", d / "self");
    // deep-0 to deep-40 lead one to the next, and deep-40 to the file.
    for (int i = 0; i <= 40; ++i) {
        fs::create_symlink(i == 40 ? "file" : "deep-" + std::to_string(i + 1),
                           d / ("deep-" + std::to_string(i)));
    }
    const struct {
        const char* path;
        const char* end;  // null: refused
    } cases[] = {
        {"file", "file"},          {"link", "file"},         {"sub/up", "sub/../file"},
        {"absolute", "sub/../file"}, {"dangling", "none"},    {"deep-1", "file"},
        {"deep-0", nullptr},       {"loop-a", nullptr},      {"self", nullptr},
    };
    for (const auto& c : cases) {
        const std::string path = (d / c.path).string();
        std::string target = "unchanged";
        int error = 0;
        const bool followed = tovfileio::FollowLinks(path, target, error);
        const int opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const int openError = errno;
        if (opened >= 0) ::close(opened);
        EXPECT_EQ(followed, c.end != nullptr) << c.path;
        EXPECT_EQ(openError == ELOOP, c.end == nullptr) << c.path;
        if (c.end != nullptr) {
            EXPECT_EQ(target, (d / c.end).string()) << c.path;
            continue;
        }
        EXPECT_EQ(error, ELOOP) << c.path;
        EXPECT_EQ(target, "") << c.path;
        tovfileio::TextWriter file;
        EXPECT_FALSE(file.Open(Wide(path))) << c.path;
        EXPECT_EQ(file.Error(), ELOOP) << c.path;
        EXPECT_TRUE(fs::is_symlink(path)) << c.path;
    }
    EXPECT_EQ(ReadBytes(d / "file"), "old");
    EXPECT_EQ(tovtest::Entries(d).size(), 49u);  // nothing was made beside them
}

// Until Close nothing is in place; Discard and a killed writer leave the
// old file; no temporary file is left in either case. (A write that fails
// on a full disk or at a file-size limit is the command-line tool's test.)
TEST(TextWriterTest, WholeOrUntouched) {
    ScratchDir dir;
    const auto path = dir.Write("out.txt", "old");
    tovfileio::TextWriter file;
    ASSERT_TRUE(file.Open(Wide(path)));
    file.Write(std::string(200000, 'x'));
    file.Flush();
    EXPECT_EQ(ReadBytes(path), "old");
    file.Discard();
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(tovtest::Entries(dir.Path()).size(), 1u);

    // A writer killed halfway, its first bytes on the disk.
    const pid_t killed = ::fork();
    if (killed == 0) {
        tovfileio::TextWriter half;
        if (half.Open(Wide(path))) {
            half.Write(std::string(200000, 'z'));
            half.Flush();
        }
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    EXPECT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(ReadBytes(path), "old");
    // Its temporary file had no name, or the next writer removes it.
    ASSERT_TRUE(WriteText(dir.Path() / "next.txt", "next"));
    EXPECT_EQ(tovtest::Entries(dir.Path()).size(), 2u);
}

// Runs `body` when destroyed, as a guard that ends a write on every way out.
struct OnExit {
    std::function<void()> body;
    ~OnExit() { body(); }
};

// An exception that breaks a write off after Open, half its bytes on the
// disk, leaves the old file whether the writer is destroyed uncommitted or
// committed by a guard on the way out; a writer opened while an older
// exception unwinds (in a destructor, say) is committed as usual.
TEST(TextWriterTest, AnExceptionAfterOpenLeavesTheOldFile) {
    ScratchDir dir;
    const auto path = dir.Write("out.txt", "old");
    const std::string text(200000, 'x');
    const struct {
        const char* name;
        bool replaced;  // Commit put the new text in place
        std::function<void(bool& committed)> write;
    } cases[] = {
        {"destroyed as the exception passes", false,
         [&](bool&) {
             tovfileio::TextWriter file;
             ASSERT_TRUE(file.Open(Wide(path)));
             file.Write(text);
             file.Flush();
             throw std::runtime_error("broken off");
         }},
        {"committed by a guard as the exception passes", false,
         [&](bool& committed) {
             tovfileio::TextWriter file;
             ASSERT_TRUE(file.Open(Wide(path)));
             OnExit commit{[&] { committed = file.Commit(); }};
             file.Write(text);
             file.Flush();
             throw std::runtime_error("broken off");
         }},
        {"opened and committed while an older exception unwinds", true,
         [&](bool& committed) {
             OnExit late{[&] {
                 tovfileio::TextWriter file;
                 if (!file.Open(Wide(path))) return;
                 file.Write(text);
                 committed = file.Commit();
             }};
             throw std::runtime_error("before the writer");
         }},
    };
    for (const auto& c : cases) {
        dir.Write("out.txt", "old");
        bool committed = false;
        EXPECT_THROW(c.write(committed), std::runtime_error) << c.name;
        EXPECT_EQ(committed, c.replaced) << c.name;
        EXPECT_TRUE(ReadBytes(path) == (c.replaced ? text : "old")) << c.name;
        EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"out.txt"}) << c.name;
    }
}

// Long names and deep folders: the temporary name is short and made
// relative to the folder.
TEST(TextWriterTest, LongNamesAndDeepFolders) {
    ScratchDir dir;
    const std::string name(240, 'n');
    ASSERT_TRUE(WriteText(dir.Path() / name, "long"));
    EXPECT_EQ(ReadBytes(dir.Path() / name), "long");
    fs::path deep = dir.Path();
    while (deep.native().size() < 4000) {
        deep /= std::string(200, 'd');
        fs::create_directory(deep);
    }
    ASSERT_TRUE(WriteText(deep / "f.txt", "deep"));
    EXPECT_EQ(ReadBytes(deep / "f.txt"), "deep");
}

// A temporary file that a killed writer left is removed by the next writer
// in its folder; one of a running process is not.
TEST(TextWriterTest, LeftoversOfKilledWritersGo) {
    ScratchDir dir;
    const std::string dead = ".tovtmp-" + std::to_string(EndedProcess()) + "-1";
    const std::string alive = ".tovtmp-" + std::to_string(::getppid()) + "-1";
    dir.Write(dead, "half");
    dir.Write(alive, "busy");
    ASSERT_TRUE(WriteText(dir.Path() / "out.txt", "whole"));
    EXPECT_EQ(tovtest::Entries(dir.Path()), (std::vector<std::string>{alive, "out.txt"}));
}

}  // namespace
