// Runs that change one scene take turns: two imports started together both
// land in the scene, a run that finds the scene locked for too long refuses
// and says why, and a failed save of the settings is said once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "brindle/host/DocumentLock.h"
#include "brindle/host/RegistryStore.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace std::chrono_literals;

const std::string kWalk = std::string(TOV_SOURCE_DIR) + "/samples/walk";

bool Holds(const std::string& document, const std::string& node) {
    return tovtest::ReadBytes(document).find("\"name\": \"" + node + "\"") != std::string::npos;
}

// Two imports into one new scene, started together: the skeletons of two
// HTR files, or a skeleton and a TRC file's markers. Before runs took turns
// one of the two was lost every time.
TEST(SceneLockTest, TwoImportsIntoOneSceneAtOnceBothLand) {
    tovtest::ScratchDir dir;
    const std::string a = dir.Write("a.htr", tovtest::ReadBytes(kWalk + ".htr")).string();
    const std::string b = dir.Write("b.htr", tovtest::ReadBytes(kWalk + ".htr")).string();
    const std::string scene = (dir.Path() / "s.json").string();
    tovtest::ProcessOptions options;
    options.env = {"BRINDLE_REGISTRY_FILE=" + (dir.Path() / "registry.reg").string()};
    tovtest::ScratchDir output[2];  // each run's output and messages
    for (int trial = 0; trial < 20; ++trial) {
        std::filesystem::remove(scene);
        const bool markers = trial % 2 == 1;
        const pid_t first = tovtest::StartProcess(
            {"import-htr", a, "--scene", scene, "--suppress-prompts"}, output[0], options);
        const pid_t second = tovtest::StartProcess(
            {markers ? "import-trc" : "import-htr", markers ? kWalk + ".trc" : b, "--scene", scene,
             "--suppress-prompts"},
            output[1], options);
        EXPECT_EQ(tovtest::WaitProcess(first, output[0]).status, 0) << trial;
        EXPECT_EQ(tovtest::WaitProcess(second, output[1]).status, 0) << trial;
        EXPECT_TRUE(Holds(scene, "a")) << trial;
        EXPECT_TRUE(Holds(scene, markers ? "C7" : "b")) << trial;
    }
    EXPECT_EQ(tovtest::Entries(dir.Path()),
              (std::vector<std::string>{"a.htr", "b.htr", "registry.reg", "s.json"}));
}

// Runs tovfileio in-process with standard error on a terminal; what it wrote there.
tovtest::CommandResult RunAtTerminal(const Arguments& args) {
    tovtest::CommandResult result;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return result;
    CommandIO io;
    io.out = std::fopen("/dev/null", "w");
    io.err = std::fopen(::ptsname(master), "w");
    result.status = RunTovfileio(args, io);
    std::fclose(io.out);
    std::fclose(io.err);
    char buffer[4096];
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) result.err.append(buffer, n);
    ::close(master);
    std::erase(result.err, '\r');  // the terminal's line ends
    return result;
}

TEST(SceneLockTest, ARunThatFindsTheSceneLockedWaitsThenRefuses) {
    tovtest::ScratchDir dir;
    const std::string scene = (dir.Path() / "s.json").string();
    ASSERT_EQ(
        tovtest::RunCommand({"import-htr", kWalk + ".htr", "--scene", scene, "--suppress-prompts"})
            .status,
        0);
    const std::string saved = tovtest::ReadBytes(scene);
    brindle::host::DocumentLock other;
    std::string error;
    ASSERT_EQ(other.Acquire(scene, 0ms, {}, error), brindle::host::DocumentLock::Outcome::Held);

    const std::string waiting =
        "tovfileio import-trc: waiting for " + scene + ", which another run is changing\n";
    const std::string refused =
        "tovfileio import-trc: " + scene +
        " is being changed by another run; try again when it has finished\n";
    const Arguments import = {"import-trc", kWalk + ".trc", "--scene", scene, "--suppress-prompts"};
    struct Case {
        const char* name;
        Arguments args;
        const char* wait;
        bool terminal;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"in a script", import, "0.2", false, 1, refused},
        {"at a terminal", import, "0.2", true, 1, waiting + refused},
        {"no wait", import, "0", true, 1, refused},
        {"a wrong wait", import, "soon", false, 1,
         "tovfileio import-trc: TOVFILEIO_LOCK_WAIT=soon: not a number of seconds\n"},
        {"reading needs no lock", {"scene", scene}, "0", false, 0, ""},
    };
    for (const Case& c : cases) {
        ::setenv("TOVFILEIO_LOCK_WAIT", c.wait, 1);
        const auto run = c.terminal ? RunAtTerminal(c.args) : tovtest::RunCommand(c.args);
        EXPECT_EQ(run.status, c.status) << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.name;
    }
    ::unsetenv("TOVFILEIO_LOCK_WAIT");
}

// The importer saves its options on OK; when the settings file cannot be
// written the import still succeeds, and the failure is said once.
TEST(SceneLockTest, AFailedSaveOfTheSettingsIsSaidOnce) {
    tovtest::ScratchDir dir;
    auto& store = brindle::host::RegistryStore::Instance();
    const std::string before = store.FilePath();
    std::filesystem::create_directory(dir.Path() / "registry.reg");
    store.UseFile((dir.Path() / "registry.reg").string());
    const auto run = tovtest::RunCommand(
        {"import-htr", kWalk + ".htr", "--scene", (dir.Path() / "s.json").string(), "--set-fps"});
    store.UseFile(before);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "tovfileio import-htr: the settings were not saved: " +
                           (dir.Path() / "registry.reg").string() +
                           ": not a regular file; the settings are not saved there\n");
}

}  // namespace
