// tovfileio import-htr end to end: the scene document written only when the
// import succeeded, the module's messages on standard error, dialog flags
// acting as clicks would.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/ScratchSettings.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

const std::string kSample = std::string(TOV_SOURCE_DIR) + "/samples/walk.htr";

class ImportHtrCommandTest : public ::testing::Test {
protected:
    tovtest::ScratchSettings settings_;  // what the tests' dialogs remember
};

TEST_F(ImportHtrCommandTest, ImportsIntoANewSceneAndRefusalsLeaveTheFileAsItWas) {
    tovtest::ScratchDir dir;
    const std::string scene = (dir.Path() / "s.json").string();
    auto created = RunCommand({"import-htr", kSample, "--scene", scene, "--create", "--key-base",
                               "--animate", "--all", "--offset", "0", "--size", "1",
                               "--scale-factor", "1", "--no-end-effectors", "--euler", "--set-fps"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.err, "");
    const std::string saved = tovtest::ReadBytes(scene);
    EXPECT_NE(saved.find("\"name\": \"Hips\""), std::string::npos);
    auto listed = RunCommand({"scene", scene});
    EXPECT_NE(listed.out.find("frame rate       60"), std::string::npos) << listed.out;

    struct Case {
        const char* name;
        Arguments args;
        std::string message;
    };
    const Case cases[] = {
        {"refused by the dialog", {"--size", "0"},
         "ImportHTR Error: Please choose a non-zero size.\n"},
        {"apply without a selection", {"--apply", "--size", "1"},
         "Import Error: Please select the root of a skeleton before applying animation.\n"},
        {"unknown node", {"--apply", "--select", "Nobody"},
         "tovfileio import-htr: --select Nobody: the scene has no node of that name\n"},
        {"missing file", {"--create"},
         "tovfileio import-htr: " + (dir.Path() / "no.htr").string() +
             ": the file could not be opened (No such file or directory); the scene was not "
             "changed\n"},
    };
    for (const Case& c : cases) {
        Arguments args = {"import-htr",
                          std::string(c.name) == "missing file" ? (dir.Path() / "no.htr").string()
                                                                : kSample,
                          "--scene", scene};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto run = RunCommand(args);
        EXPECT_EQ(run.status, 1) << c.name;
        // After the word on the options the dialog remembered from the first import.
        EXPECT_NE(("\n" + run.err).find("\n" + c.message), std::string::npos)
            << c.name << ": " << run.err;
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.name;
    }

    // Apply mode remembered: the end effectors and the size, which only
    // Create enables, are set with Create chosen, then Apply is chosen again.
    auto applied = RunCommand({"import-htr", kSample, "--scene", scene, "--select", "walk",
                               "--end-effectors", "--tcb", "--size", "1"});
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(applied.err,
              "tovfileio import-htr: remembered from an earlier run: --apply --key-base --set-fps "
              "(tovfileio options --reset import-htr forgets them)\n");
    EXPECT_NE(tovtest::ReadBytes(scene).find("\"tcb\""), std::string::npos);
}

TEST_F(ImportHtrCommandTest, ADamagedSceneIsRefusedAndLeftUntouched) {
    tovtest::ScratchDir dir;
    const auto scene = dir.Write("s.json", "{\"format\": \"tovfileio-scene\", \"version\": 1, ");
    auto run = RunCommand({"import-htr", kSample, "--scene", scene.string(), "--create"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("tovfileio import-htr: ", 0), 0u) << run.err;
    EXPECT_EQ(tovtest::ReadBytes(scene), "{\"format\": \"tovfileio-scene\", \"version\": 1, ");
}

}  // namespace
