// tovfileio export-htr end to end: the output appears only when written
// whole, the scene document is never changed, the module's messages reach
// standard error.
#include <gtest/gtest.h>

#include <cstdlib>

#include "htr/HTRFile.h"
#include "tests/cli/RunCommand.h"
#include "tests/cli/ScratchSettings.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

// Each test keeps the dialogs' remembered options in a settings file of its
// own, so what another test chose cannot change its runs.
class ExportHtrCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1); }
    void TearDown() override { ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1); }
    tovtest::ScratchSettings settings_;
};

TEST_F(ExportHtrCommandTest, WritesTheSelectedSkeletonAndLeavesTheSceneAlone) {
    tovtest::ScratchDir dir;
    const std::string scene = (dir.Path() / "s.json").string();
    const std::string sample = std::string(TOV_SOURCE_DIR) + "/samples/walk.htr";
    auto imported = RunCommand({"import-htr", sample, "--scene", scene, "--create", "--key-base",
                                "--animate", "--all", "--set-fps", "--size", "1",
                                "--scale-factor", "1", "--offset", "0"});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const std::string saved = tovtest::ReadBytes(scene);
    const auto out = dir.Path() / "out.htr";
    dir.Write("out.htr", "keep me");

    struct Case {
        const char* name;
        Arguments args;
        const char* message;
    };
    const Case cases[] = {
        {"nothing selected", {},
         "Export Error: Please select the root bone of the skeleton you wish to export\n"},
        {"refused by the dialog", {"--select", "walk", "--scale-factor", "0"},
         "ExportHTR Error: Please choose a non-zero scale factor.\n"},
    };
    for (const Case& c : cases) {
        Arguments args = {"export-htr", out.string(), "--scene", scene};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto run = RunCommand(args);
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.err.substr(0, std::string(c.message).size()), c.message) << c.name << run.err;
        EXPECT_EQ(tovtest::ReadBytes(out), "keep me") << c.name;
    }

    auto exported = RunCommand({"export-htr", out.string(), "--scene", scene, "--select", "walk",
                                "--saved-pose", "--animate", "--range", "1", "40",
                                "--scale-factor", "1", "--offset", "0"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.err, "");
    HTRFile file;
    ASSERT_EQ(file.Read(tovtest::Wide(out)), L"");
    EXPECT_EQ(file.SegmentCount(), 21u);
    EXPECT_EQ(file.GetNumFrames(), 40u);
    EXPECT_EQ(file.GetDataFrameRate(), 60);
    EXPECT_EQ(tovtest::ReadBytes(scene), saved);
}

}  // namespace
