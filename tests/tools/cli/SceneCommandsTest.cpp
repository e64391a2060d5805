// The commands that read or change a scene document: import-htr, import-trc,
// export-htr and scene. A failure says its cause and the command's word on
// it and leaves the scene and any older output as they were; flags act as a
// person at the dialog would; an import warns of what it leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "htr/HTRFile.h"
#include "tests/tools/cli/RunCommand.h"

namespace {

using tovtest::kWalkHtr;
using tovtest::kWalkTrc;
using tovtest::RunCommand;
using tovtest::With;

class SceneCommandsTest : public tovtest::CliTest {
protected:
    // A scene holding the walk skeleton, imported with every option given.
    std::string WalkScene() {
        const std::string scene = Path("s.json");
        const auto run = RunCommand({"import-htr", kWalkHtr, "--scene", scene, "--create",
                                     "--key-base", "--animate", "--all", "--set-fps", "--size", "1",
                                     "--scale-factor", "1", "--offset", "0"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        return scene;
    }
};

TEST_F(SceneCommandsTest, FailuresSayTheirCauseAndChangeNothing) {
    const std::string scene = WalkScene(), saved = tovtest::ReadBytes(scene);
    const std::string fresh = Path("new.json"), out = Write("out.htr", "keep me");
    const std::string damaged = Write("damaged.json", "{\"format\": \"tovfileio-scene\", \"version\": 1, ");
    const std::string d = dir_.Path().string() + "/";
    Write("garbage.trc", "not a marker file\n");
    Write("frameless.htr", tovtest::HtrText(1, 1, 0));
    Write("rowless.trc", tovtest::Edited(tovtest::TrcText({"A"}, {}), "Z1\n\n", "Z1\n"));
    const std::string unchanged = "; the scene was not changed\n";
    const std::string notOpened = "ImportHTR Error: The file could not be opened\n";
    const std::string roots = "; select one of: walk (--select NAME); nothing was written\n";
    const Arguments inScene = {"--scene", scene};
    struct Case {
        Arguments args;
        std::string said;  // the end of standard error
    };
    const Case cases[] = {
        // Refused by the dialog's OK, or by the importer once accepted.
        {With({"import-htr", kWalkHtr, "--size", "0"}, inScene),
         "ImportHTR Error: Please choose a non-zero size.\n"
         "tovfileio import-htr: the options were not accepted; nothing was imported\n"},
        {With({"import-trc", kWalkTrc, "--size", "0"}, inScene),
         "ImportTRC Error: Please choose a non-zero size.\n"
         "tovfileio import-trc: the options were not accepted; nothing was imported\n"},
        {With({"export-htr", out, "--select", "walk", "--scale-factor", "0"}, inScene),
         "ExportHTR Error: Please choose a non-zero scale factor.\n"
         "tovfileio export-htr: the options were not accepted; nothing was written\n"},
        {With({"import-htr", kWalkHtr, "--apply", "--size", "1"}, inScene),
         "Import Error: Please select the root of a skeleton before applying animation.\n"
         "tovfileio import-htr: the import failed" + unchanged},
        {With({"import-htr", kWalkHtr, "--apply", "--select", "Nobody"}, inScene),
         "tovfileio import-htr: --select Nobody: the scene has no node of that name\n"},
        {With({"export-htr", out}, inScene),
         "Export Error: Please select the root bone of the skeleton you wish to export\n"
         "tovfileio export-htr: nothing is selected" + roots},
        // Files that cannot be imported, into the scene or a new one.
        {{"import-trc", d + "garbage.trc", "--scene", fresh},
         "ImportTRC Error: The file is does not have a compatible \"(X/Y/Z)\" header state\n"
         "tovfileio import-trc: the import failed" + unchanged},
        {With({"import-htr", d + "nosuch.htr", "--create"}, inScene),
         notOpened + "tovfileio import-htr: " + d + "nosuch.htr: the file could not be opened (No such file or directory)" + unchanged},
        {With({"import-htr", kWalkTrc}, inScene),
         notOpened + "tovfileio import-htr: " + kWalkTrc + ": the file could not be opened (tried " + kWalkTrc +
             ".htr: No such file or directory); a TRC file is imported by import-trc" + unchanged},
        {With({"import-htr", d + "frameless.htr"}, inScene),
         "tovfileio import-htr: " + d + "frameless.htr: the file holds no frames, so there is nothing to import" + unchanged},
        {With({"import-trc", d + "rowless.trc"}, inScene),
         "tovfileio import-trc: " + d + "rowless.trc: the file holds no data rows, so there is nothing to import" + unchanged},
        {{"preview", d + "nosuch.htr", "-o", d + "p.svg"},
         notOpened + "tovfileio preview: " + d + "nosuch.htr: the file could not be opened (No such file or directory)\n"},
        {{"import-htr", kWalkHtr, "--scene", damaged, "--create"}, ""},
    };
    for (const Case& c : cases) {
        const auto run = RunCommand(c.args);
        EXPECT_EQ(run.status, 1) << c.said;
        EXPECT_TRUE(run.err.ends_with(c.said)) << run.err;
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.said;
        EXPECT_EQ(tovtest::ReadBytes(out), "keep me") << c.said;
        EXPECT_FALSE(std::filesystem::exists(fresh) || std::filesystem::exists(d + "p.svg"));
        if (c.said.empty()) {
            EXPECT_EQ(run.err.rfind("tovfileio import-htr: ", 0), 0u) << run.err;
        }
    }
    EXPECT_EQ(tovtest::ReadBytes(damaged), "{\"format\": \"tovfileio-scene\", \"version\": 1, ");
}

// When the selection gives the exporter no root, the command names the
// nodes that would: top-level bones and nodes with a bone among their
// children, as the exporter looks no deeper.
TEST_F(SceneCommandsTest, ASelectionWithoutABoneNamesTheRootsToSelect) {
    const std::string bone = R"("object": {"class_id": [683634317, 785164352], "super_class_id": 16})";
    const std::string dummy = R"("object": {"class_id": [8872500, 0], "super_class_id": 80})";
    const std::string scene = Write("s.json", R"({"format": "tovfileio-scene", "version": 1, "frame_rate": 30,
        "animation_range": [0, 960], "nodes": [
        {"name": "walk", "handle": 1, "parent": null, )" + dummy + R"(},
        {"name": "Hips", "handle": 2, "parent": "walk", )" + bone + R"(},
        {"name": "Box", "handle": 3, "parent": null, )" + dummy + R"(},
        {"name": "Inner", "handle": 4, "parent": "Box"},
        {"name": "Deep", "handle": 5, "parent": "Inner", )" + bone + R"(},
        {"name": "take2", "handle": 6, "parent": null, )" + bone + R"(}]})");
    const std::string roots = "; select one of: walk, take2 (--select NAME); nothing was written\n";
    const std::pair<Arguments, std::string> cases[] = {
        {{}, "tovfileio export-htr: nothing is selected" + roots},
        {{"--select", "Box"}, "tovfileio export-htr: the node selected is not a bone and has none among its children" + roots},
    };
    for (const auto& [select, lastLine] : cases) {
        const auto run = RunCommand(With({"export-htr", Path("o.htr"), "--scene", scene}, select));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(tovtest::LastLine(run.err), lastLine) << run.err;
    }
}

// Markers join a scene holding a skeleton; the skeleton exports whole from
// it, the scene left as it was and nothing said.
TEST_F(SceneCommandsTest, ASkeletonAndMarkersShareASceneAndExportLeavesItAlone) {
    const std::string scene = WalkScene();
    const auto cloud = RunCommand({"import-trc", kWalkTrc, "--scene", scene, "--create", "--point",
                                   "--root-node", "--all", "--size", "4", "--no-set-fps"});
    ASSERT_EQ(cloud.status, 0) << cloud.err;
    EXPECT_EQ(cloud.err, "");
    const std::string listed = RunCommand({"scene", scene}).out;
    for (const char* line : {"\nTRCCloud  dummy", "\n  LFHD  point  position 40 keys", "\n  Hips  bone"}) {
        EXPECT_NE(listed.find(line), std::string::npos) << line << "\n" << listed;
    }
    const std::string saved = tovtest::ReadBytes(scene);
    const auto exported = RunCommand({"export-htr", Path("out.htr"), "--scene", scene, "--select", "walk",
                                      "--saved-pose", "--animate", "--range", "1", "40"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.err, "");
    HTRFile file;
    ASSERT_EQ(file.Read(tovtest::Wide(Path("out.htr"))), L"");
    EXPECT_EQ(file.SegmentCount(), 21u);
    EXPECT_EQ(file.GetNumFrames(), 40u);
    EXPECT_EQ(tovtest::ReadBytes(scene), saved);
}

// A flag whose control only the other mode enables is set with that mode
// chosen, then the mode wanted or the one the dialog opened with.
TEST_F(SceneCommandsTest, FlagsOfTheOtherModeAreSetWithThatModeChosen) {
    // Apply remembered: the end effectors and the size, which only Create
    // enables, are set with Create chosen, then Apply is chosen again and
    // keys the skeleton there (no second one is made).
    const std::string scene = WalkScene();
    ASSERT_EQ(RunCommand({"import-htr", kWalkHtr, "--scene", scene, "--apply", "--select", "walk"}).status, 0);
    const auto applied = RunCommand({"import-htr", kWalkHtr, "--scene", scene, "--select", "walk",
                                     "--end-effectors", "--tcb", "--size", "1"});
    EXPECT_EQ(applied.status, 0) << applied.err;
    const std::string listed = RunCommand({"scene", scene}).out;
    EXPECT_NE(listed.find("\nnodes            22\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\n  Hips  bone  position 41 keys, rotation 41 keys (tcb)"), std::string::npos);

    // A cloud under a root node, then the markers applied onto it with the
    // root node turned off for later imports: Root Node is set with Create
    // chosen, then Apply. Apply stays remembered: Create with the remembered
    // Root Node makes no second cloud.
    const std::string other = Path("other.json");
    ASSERT_EQ(RunCommand({"import-trc", kWalkTrc, "--scene", other, "--create", "--root-node"}).status, 0);
    auto run = RunCommand({"import-trc", kWalkTrc, "--scene", other, "--apply", "--no-root-node",
                           "--select", "TRCCloud"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string third = Path("third.json");
    run = RunCommand({"import-trc", kWalkTrc, "--scene", third, "--create"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(RunCommand({"scene", third}).out.find("TRCCloud"), std::string::npos);
    // "Selected Items Only" set from create mode, which is chosen again.
    run = RunCommand({"import-trc", kWalkTrc, "--scene", third, "--selected-only"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
}

TEST_F(SceneCommandsTest, ImportsWarnOfWhatTheyLeaveBehind) {
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
        const auto run = RunCommand(With({"import-htr", kWalkHtr, "--scene", Path(c.scene)}, c.args));
        EXPECT_EQ(run.status, 0) << c.scene;
        EXPECT_EQ(run.err, c.warnings) << c.scene;
    }
}

TEST_F(SceneCommandsTest, SceneShowsTheTreeOrTheDocument) {
    // Spine is written before its parent; Tip hangs 35 levels deep.
    std::string nodes =
        R"({"name": "Spine", "handle": 2, "parent": "Hips",
            "rotation": {"controller": "tcb", "keys": [[0, 0, 0, 0, 1], [160, 0.1, 0, 0, 1]]}},
           {"name": "Hips", "handle": 1, "parent": null,
            "object": {"class_id": [683634317, 785164352], "super_class_id": 16},
            "position": {"keys": [[0, 1, 2, 3]]}},
           {"name": "Box", "handle": 3, "parent_handle": 1,
            "object": {"class_id": [8872500, 0], "super_class_id": 80}})";
    for (int depth = 1; depth <= 34; ++depth) {
        nodes += R"(, {"name": ")" + std::string(depth == 34 ? "Tip" : "c") + R"(", "handle": )" +
                 std::to_string(100 + depth) + R"(, "parent_handle": )" +
                 std::to_string(depth == 1 ? 3 : 99 + depth) + "}";
    }
    const std::string path = Write("s.json", R"({"format": "tovfileio-scene", "version": 1, "frame_rate": 25,
        "animation_range": [0, 960], "nodes": [)" + nodes + "]}");
    const auto text = RunCommand({"scene", path});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("frame rate       25\nticks per frame  192\nsystem unit      1 mm\n"
                             "time             0\nanimation range  0 to 960\nnodes            37\n"
                             "Hips  bone  position 1 key, rotation 0 keys (euler_xyz), scale 0 keys\n"
                             "  Spine  none  position 0 keys, rotation 2 keys (tcb), scale 0 keys\n"
                             "  Box  dummy  position 0 keys, rotation 0 keys (euler_xyz), scale 0 keys\n"
                             "    c  none",
                             0),
              0u)
        << text.out;
    EXPECT_NE(text.out.find("\n" + std::string(64, ' ') + "[depth 35] Tip  none"), std::string::npos);
    // What --json prints is the document as the host writes it, which shows the same.
    const auto json = RunCommand({"scene", "--json", path});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\n  \"format\": \"tovfileio-scene\",\n  \"version\": 2,\n", 0), 0u);
    EXPECT_EQ(RunCommand({"scene", Write("again.json", json.out)}).out, text.out);

    const auto missing = RunCommand({"scene", Path("none.json")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "tovfileio scene: " + Path("none.json") + ": cannot open: No such file or directory\n");
}

}  // namespace
