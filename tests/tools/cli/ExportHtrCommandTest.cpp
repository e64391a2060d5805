// tovfileio export-htr end to end: the output appears only when written
// whole, the scene document is never changed, the module's messages reach
// standard error.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tovfileio/htr/HTRFile.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/ScratchSettings.h"
#include "tests/support/TestFiles.h"

using namespace tovfileio;

namespace {

using tovtest::RunCommand;

// Each test keeps the dialogs' remembered options in a settings file of its
// own, so what another test chose cannot change its runs.
class ExportHtrCommandTest : public ::testing::Test {
protected:
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

// When the selection gives the exporter no root, the command names the
// nodes that would: top-level bones and nodes with a bone among their
// children, as the exporter looks no deeper.
TEST_F(ExportHtrCommandTest, ASelectionWithoutABoneNamesTheRootsToSelect) {
    tovtest::ScratchDir dir;
    const std::string bone =
        R"("object": {"class_id": [683634317, 785164352], "super_class_id": 16})";
    const std::string dummy = R"("object": {"class_id": [8872500, 0], "super_class_id": 80})";
    const std::string scene =
        dir.Write("s.json", R"({"format": "tovfileio-scene", "version": 1, "frame_rate": 30,
            "animation_range": [0, 960], "nodes": [
            {"name": "walk", "handle": 1, "parent": null, )" + dummy + R"(},
            {"name": "Hips", "handle": 2, "parent": "walk", )" + bone + R"(},
            {"name": "Box", "handle": 3, "parent": null, )" + dummy + R"(},
            {"name": "Inner", "handle": 4, "parent": "Box"},
            {"name": "Deep", "handle": 5, "parent": "Inner", )" + bone + R"(},
            {"name": "take2", "handle": 6, "parent": null, )" + bone + R"(}]})")
            .string();
    const std::string roots = "; select one of: walk, take2 (--select NAME); nothing was written\n";
    struct Case {
        const char* name;
        Arguments select;
        std::string lastLine;
    };
    const Case cases[] = {
        {"nothing selected", {}, "tovfileio export-htr: nothing is selected" + roots},
        {"a node without a bone child", {"--select", "Box"},
         "tovfileio export-htr: the node selected is not a bone and has none among its "
         "children" + roots},
    };
    for (const Case& c : cases) {
        Arguments args = {"export-htr", (dir.Path() / "o.htr").string(), "--scene", scene};
        args.insert(args.end(), c.select.begin(), c.select.end());
        const auto run = RunCommand(args);
        EXPECT_EQ(run.status, 1) << c.name;
        const std::size_t last = run.err.rfind('\n', run.err.size() - 2);
        EXPECT_EQ(run.err.substr(last + 1), c.lastLine) << c.name << "\n" << run.err;
    }
}

}  // namespace
