// Flags of the scene commands as a person at the options dialog: values a
// field refuses are the command line's error, and a flag whose control only
// another mode enables is set with that mode chosen, then the mode wanted.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/ScratchSettings.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

const std::string kSamples = std::string(TOV_SOURCE_DIR) + "/samples/";

// Settings of the test's own, so that what another test's dialogs
// remembered cannot change its runs.
class DialogFlagsTest : public ::testing::Test {
protected:
    tovtest::ScratchSettings settings_;
    tovtest::ScratchDir dir_;
    std::string scene_ = (dir_.Path() / "s.json").string();
};

TEST_F(DialogFlagsTest, ValuesAFieldRefusesAreErrorsAndNothingIsDone) {
    ASSERT_EQ(
        RunCommand({"import-htr", kSamples + "walk.htr", "--scene", scene_, "--create"}).status, 0);
    const std::string saved = tovtest::ReadBytes(scene_);
    const std::string out = (dir_.Path() / "out.htr").string();
    const std::string whole = "takes whole numbers from -2147483648 to 2147483647\n";
    const std::string number = "takes numbers from -1000000 to 1000000\n";
    const struct {
        Arguments args;
        std::string message;
    } cases[] = {
        {{"import-htr", kSamples + "walk.htr", "--size", "1e40"},
         "tovfileio import-htr: --size 1e40: the Segment Size field " + number},
        {{"import-htr", kSamples + "walk.htr", "--offset", "1e9"},
         "tovfileio import-htr: --offset 1e9: the Offset field " + whole},
        {{"import-htr", kSamples + "walk.htr", "--range", "a", "b"},
         "tovfileio import-htr: --range a: the From field " + whole},
        {{"import-trc", kSamples + "walk.trc", "--scale-factor", "nan"},
         "tovfileio import-trc: --scale-factor nan: the Global field " + number},
        {{"import-trc", kSamples + "walk.trc", "--size", "-inf"},
         "tovfileio import-trc: --size -inf: the Size field " + number},
        {{"export-htr", out, "--select", "walk", "--scale-factor", "1e39"},
         "tovfileio export-htr: --scale-factor 1e39: the Global field " + number},
        {{"export-htr", out, "--select", "walk", "--range", "1", "40.5"},
         "tovfileio export-htr: --range 40.5: the To field " + whole},
        {{"import-trc", kSamples + "walk.trc", "--suppress-prompts", "--size", "2"},
         "tovfileio import-trc: --size: --suppress-prompts opens no dialog for it to act on\n"},
        {{"export-htr", out, "--select", "walk", "--suppress-prompts", "--slider"},
         "tovfileio export-htr: --slider: --suppress-prompts opens no dialog for it to act on\n"},
    };
    for (const auto& c : cases) {
        Arguments args = c.args;
        args.insert(args.end(), {"--scene", scene_});
        const auto run = RunCommand(args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(tovtest::ReadBytes(scene_), saved) << c.message;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
    // Nothing refused was remembered: the next import takes the defaults.
    const auto again = RunCommand({"import-htr", kSamples + "walk.htr", "--scene", scene_});
    EXPECT_EQ(again.status, 0) << again.err;
}

TEST_F(DialogFlagsTest, FlagsOfTheOtherModeAreSetWithThatModeChosen) {
    // A cloud under a root node, then the markers applied onto it with the
    // root node turned off for later imports: Root Node is set with Create
    // chosen, then Apply is chosen.
    ASSERT_EQ(RunCommand({"import-trc", kSamples + "walk.trc", "--scene", scene_, "--create",
                          "--root-node"})
                  .status,
              0);
    const auto applied = RunCommand({"import-trc", kSamples + "walk.trc", "--scene", scene_,
                                     "--apply", "--no-root-node", "--select", "TRCCloud"});
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(applied.err, "");
    // Apply stays remembered; Create with the remembered Root Node makes no
    // second cloud.
    const std::string other = (dir_.Path() / "other.json").string();
    const auto created =
        RunCommand({"import-trc", kSamples + "walk.trc", "--scene", other, "--create"});
    EXPECT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(RunCommand({"scene", other}).out.find("TRCCloud"), std::string::npos);

    // "Selected Items Only" set from create mode, which is chosen again.
    const auto selected =
        RunCommand({"import-trc", kSamples + "walk.trc", "--scene", other, "--selected-only"});
    EXPECT_EQ(selected.status, 0) << selected.err;
    EXPECT_EQ(selected.err, "");
}

TEST_F(DialogFlagsTest, ImportsWarnOfWhatTheyLeaveBehind) {
    const std::string slow =
        "tovfileio import-htr: warning: the file's 60 frames a second are keyed one a frame into "
        "a new scene of 30 frames a second: the capture plays at 50% of its speed; --set-fps gives "
        "the scene the file's rate\n";
    const std::string outside =
        "tovfileio import-htr: warning: the import keyed frames 20 to 40 but the animation range "
        "is 1 to 21: frames outside it are not played, and export-htr --slider writes the range\n";
    const struct {
        const char* scene;
        Arguments args;
        std::string warnings;
    } cases[] = {
        {"slow.json", {"--create"}, slow},
        {"fps.json", {"--create", "--fps", "30"}, ""},
        {"set.json", {"--create", "--set-fps"}, ""},
        {"range.json", {"--create", "--set-fps", "--range", "20", "40"}, outside},
        // The same scene again: not new, and all its frames within the range.
        {"set.json", {"--create", "--no-set-fps", "--all"}, ""},
    };
    for (const auto& c : cases) {
        Arguments args = {"import-htr", kSamples + "walk.htr", "--scene",
                          (dir_.Path() / c.scene).string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto run = RunCommand(args);
        EXPECT_EQ(run.status, 0) << c.scene;
        EXPECT_EQ(run.err, c.warnings) << c.scene;
    }
}

}  // namespace
