// Runs that change one scene take turns: two imports started together both
// land in the scene, a run that finds the scene locked for too long refuses
// and says why, and a failed save of the settings is said once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brindle/host/DocumentLock.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/RunProcess.h"

namespace {

using namespace std::chrono_literals;
using tovtest::kWalkHtr;
using tovtest::kWalkTrc;

class SceneLockTest : public tovtest::CliTest {};

bool Holds(const std::string& document, const std::string& node) {
    return tovtest::ReadBytes(document).find("\"name\": \"" + node + "\"") != std::string::npos;
}

// Two imports into one new scene, started together: the skeletons of two
// HTR files, or a skeleton and a TRC file's markers. Before runs took turns
// one of the two was lost every time.
TEST_F(SceneLockTest, TwoImportsIntoOneSceneAtOnceBothLand) {
    const std::string a = Write("a.htr", tovtest::ReadBytes(kWalkHtr)), b = Write("b.htr", tovtest::ReadBytes(kWalkHtr));
    const std::string scene = Path("s.json");
    tovtest::ProcessOptions options;
    options.env = {"BRINDLE_REGISTRY_FILE=" + Path("registry.reg")};
    tovtest::ScratchDir output[2];  // each run's output and messages
    for (int trial = 0; trial < 20; ++trial) {
        std::filesystem::remove(scene);
        const bool markers = trial % 2 == 1;
        const pid_t first = tovtest::StartProcess({"import-htr", a, "--scene", scene, "--suppress-prompts"},
                                                  output[0], options);
        const pid_t second = tovtest::StartProcess(
            {markers ? "import-trc" : "import-htr", markers ? kWalkTrc : b, "--scene", scene, "--suppress-prompts"},
            output[1], options);
        EXPECT_EQ(tovtest::WaitProcess(first, output[0]).status, 0) << trial;
        EXPECT_EQ(tovtest::WaitProcess(second, output[1]).status, 0) << trial;
        EXPECT_TRUE(Holds(scene, "a")) << trial;
        EXPECT_TRUE(Holds(scene, markers ? "C7" : "b")) << trial;
    }
    EXPECT_EQ(tovtest::Entries(dir_.Path()), (std::vector<std::string>{"a.htr", "b.htr", "registry.reg", "s.json"}));
}

// Runs tovfileio in-process with standard error on a terminal; what it wrote there.
tovtest::CommandResult RunAtTerminal(const Arguments& args) {
    tovtest::Terminal terminal;
    tovtest::CommandResult result;
    if (terminal.File() == nullptr) return result;
    CommandIO io;
    io.out = std::fopen("/dev/null", "w");
    io.err = terminal.File();
    result.status = RunTovfileio(args, io);
    std::fclose(io.out);
    result.err = terminal.Shown();
    return result;
}

TEST_F(SceneLockTest, ARunThatFindsTheSceneLockedWaitsThenRefuses) {
    const std::string scene = Path("s.json");
    ASSERT_EQ(tovtest::RunCommand({"import-htr", kWalkHtr, "--scene", scene, "--suppress-prompts"}).status, 0);
    const std::string saved = tovtest::ReadBytes(scene);
    brindle::host::DocumentLock other;
    std::string error;
    ASSERT_EQ(other.Acquire(scene, 0ms, {}, error), brindle::host::DocumentLock::Outcome::Held);

    const std::string waiting = "tovfileio import-trc: waiting for " + scene + ", which another run is changing\n";
    const std::string refused =
        "tovfileio import-trc: " + scene + " is being changed by another run; try again when it has finished\n";
    const Arguments import = {"import-trc", kWalkTrc, "--scene", scene, "--suppress-prompts"};
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
        {"a wrong wait", import, "soon", false, 1, "tovfileio import-trc: TOVFILEIO_LOCK_WAIT=soon: not a number of seconds\n"},
        {"reading needs no lock", {"scene", scene}, "0", false, 0, ""},
    };
    for (const Case& c : cases) {
        const tovtest::ScopedEnv wait("TOVFILEIO_LOCK_WAIT", c.wait);
        const auto run = c.terminal ? RunAtTerminal(c.args) : tovtest::RunCommand(c.args);
        EXPECT_EQ(run.status, c.status) << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.name;
    }
}

// The importer saves its options on OK; when the settings file cannot be
// written the import still succeeds, and the failure is said once.
TEST_F(SceneLockTest, AFailedSaveOfTheSettingsIsSaidOnce) {
    const std::string settings = Path("registry.reg");
    std::filesystem::create_directory(settings);
    auto& store = brindle::host::RegistryStore::Instance();
    store.UseFile(settings);
    const auto run = tovtest::RunCommand({"import-htr", kWalkHtr, "--scene", Path("s.json"), "--set-fps"});
    store.UseFile(settings_.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "tovfileio import-htr: the settings were not saved: " + settings +
                           ": not a regular file; the settings are not saved there\n");
}

}  // namespace
