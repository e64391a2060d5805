// The commands that read or change a scene document: import-htr, import-trc,
// export-htr and scene. A failure says its cause and the command's word on
// it and leaves the scene and any older output as they were; flags act as a
// person at the dialog would; an import warns of what it leaves behind.
// Options a dialog remembers from an earlier run: a later run that keeps
// them says so, `options` shows them as the commands' flags and forgets
// them, and reading them creates nothing in the settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>

#include "export_htr/ExportHTROptions.h"
#include "tovfileio/htr/HTRFile.h"
#include "import_htr/ImportHTROptions.h"
#include "import_trc/ImportTRCOptions.h"
#include "tests/tools/cli/RunCommand.h"

using namespace tovfileio;

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using tovtest::RunCommand;
using tovtest::RunExpecting;
using tovtest::RunOk;
using tovtest::With;
using tovtest::kWalkHtr;
using tovtest::kWalkTrc;

class SceneCommandsTest : public tovtest::CliTest {
protected:
    // A scene holding the walk skeleton, imported with every option given.
    std::string WalkScene() {
        const std::string scene = Path("s.json");
        const auto run = RunOk({"import-htr", kWalkHtr, "--scene", scene, "--create",
                                "--key-base", "--animate", "--all", "--set-fps", "--size", "1",
                                "--scale-factor", "1", "--offset", "0"});
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
        {With({"export-htr", out, "--select", "walk", "--scale-factor", "0"}, inScene),
         "ExportHTR Error: Please choose a non-zero scale factor.\n"
         "tovfileio export-htr: the options were not accepted; nothing was written\n"},
        // Frames moved past the last frame number: refused, never numbered round.
        {With({"export-htr", out, "--select", "walk", "--offset", "2147483647"}, inScene),
         "ExportHTR Error: With this offset the frames run past the frame numbers an HTR file "
         "holds (-2147483648 to 2147483647). Please choose an offset that keeps them within.\n"
         "tovfileio export-htr: the export failed; nothing was written\n"},
        {With({"import-htr", kWalkHtr, "--offset", "2147483647"}, inScene),
         "ImportHTR Error: The frames to import lie outside the time range of the scene.\n"
         "tovfileio import-htr: the import failed" + unchanged},
        {With({"import-trc", kWalkTrc, "--offset", "2147483647"}, inScene),
         "ImportTRC Error: The frames to import lie outside the time range of the scene.\n"
         "tovfileio import-trc: the import failed" + unchanged},
        {With({"import-htr", kWalkHtr, "--apply", "--size", "1"}, inScene),
         "Import Error: Please select the root of a skeleton before applying animation.\n"
         "tovfileio import-htr: the import failed" + unchanged},
        {With({"import-htr", kWalkHtr, "--apply", "--select", "Nobody"}, inScene),
         "tovfileio import-htr: --select Nobody: the scene has no node of that name\n"},
        // Files that cannot be imported, into the scene or a new one.
        {{"import-trc", d + "garbage.trc", "--scene", fresh},
         "ImportTRC Error: The file is does not have a compatible \"(X/Y/Z)\" header state\n" + d +
             "garbage.trc: line 1: there is no third tab-separated field; blanks, not tabs, separate "
             "its fields: put a tab between each two\n"
             "tovfileio import-trc: the import failed" + unchanged},
        {{"import-htr", d + "nosuch.htr", "--create", "--scene", fresh},
         notOpened + "tovfileio import-htr: " + d +
             "nosuch.htr: the file could not be opened (No such file or directory)" + unchanged},
        {With({"import-htr", kWalkTrc}, inScene),
         notOpened + "tovfileio import-htr: " + kWalkTrc +
             ": the file could not be opened (tried " + kWalkTrc +
             ".htr: No such file or directory); a TRC file is imported by import-trc" + unchanged},
        // The --apply an earlier case left remembered is named after the failure.
        {With({"import-htr", d + "frameless.htr"}, inScene),
         "tovfileio import-htr: " + d +
             "frameless.htr: the file holds no frames, so there is nothing to import" + unchanged +
             "tovfileio import-htr: the remembered --apply took part in this run (not given on "
             "its line): give the options you mean, or forget them with tovfileio options --reset "
             "import-htr\n"},
        {With({"import-trc", d + "rowless.trc"}, inScene),
         "tovfileio import-trc: " + d +
             "rowless.trc: the file holds no data rows, so there is nothing to import" + unchanged},
        {{"preview", d + "nosuch.htr", "-o", d + "p.svg"},
         notOpened + "tovfileio preview: " + d +
             "nosuch.htr: the file could not be opened (No such file or directory)\n"},
        {{"import-htr", kWalkHtr, "--scene", damaged, "--create"}, ""},
    };
    for (const Case& c : cases) {
        const auto run = RunExpecting(c.args, 1, EndsWith(c.said));
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.said;
        EXPECT_EQ(tovtest::ReadBytes(out), "keep me") << c.said;
        EXPECT_FALSE(std::filesystem::exists(fresh) || std::filesystem::exists(d + "p.svg"));
        if (c.said.empty()) {
            EXPECT_THAT(run.err, StartsWith("tovfileio import-htr: "));
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
        {{"--select", "Box"},
         "tovfileio export-htr: the node selected is not a bone and has none among its children" +
             roots},
    };
    for (const auto& [select, lastLine] : cases) {
        RunExpecting(With({"export-htr", Path("o.htr"), "--scene", scene}, select), 1,
                     EndsWith("\n" + lastLine));
    }
}

// Markers join a scene holding a skeleton; the skeleton exports whole from
// it, the scene left as it was and nothing said.
TEST_F(SceneCommandsTest, ASkeletonAndMarkersShareASceneAndExportLeavesItAlone) {
    const std::string scene = WalkScene();
    const auto cloud = RunOk({"import-trc", kWalkTrc, "--scene", scene, "--create", "--point",
                              "--root-node", "--all", "--size", "4", "--no-set-fps"});
    EXPECT_EQ(cloud.err, "");
    const std::string listed = RunCommand({"scene", scene}).out;
    for (const char* line : {"\nTRCCloud  dummy", "\n  LFHD  point  position 40 keys", "\n  Hips  bone"}) {
        EXPECT_THAT(listed, HasSubstr(line));
    }
    const std::string saved = tovtest::ReadBytes(scene);
    const auto exported = RunOk({"export-htr", Path("out.htr"), "--scene", scene, "--select", "walk",
                                 "--saved-pose", "--animate", "--range", "1", "40"});
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
    RunOk({"import-htr", kWalkHtr, "--scene", scene, "--apply", "--select", "walk"});
    const auto applied = RunOk({"import-htr", kWalkHtr, "--scene", scene, "--select", "walk",
                                "--end-effectors", "--tcb", "--size", "1"});
    const std::string listed = RunCommand({"scene", scene}).out;
    EXPECT_THAT(listed, HasSubstr("\nnodes            22\n"));
    EXPECT_THAT(listed, HasSubstr("\n  Hips  bone  position 41 keys, rotation 41 keys (tcb)"));

    // A cloud under a root node, then the markers applied onto it with the
    // root node turned off for later imports: Root Node is set with Create
    // chosen, then Apply. Apply stays remembered: Create with the remembered
    // Root Node makes no second cloud.
    const std::string other = Path("other.json");
    RunOk({"import-trc", kWalkTrc, "--scene", other, "--create", "--root-node"});
    // The markers are keyed again there, a hundred frames on.
    RunExpecting({"import-trc", kWalkTrc, "--scene", other, "--apply", "--no-root-node", "--select",
                  "TRCCloud", "--offset", "100"},
                 0, "");
    EXPECT_THAT(RunCommand({"scene", other}).out, HasSubstr("\n  LFHD  sphere  position 80 keys"));
    const std::string third = Path("third.json");
    RunOk({"import-trc", kWalkTrc, "--scene", third, "--create"});
    EXPECT_EQ(RunCommand({"scene", third}).out.find("TRCCloud"), std::string::npos);
    // "Selected Items Only" set from create mode, which is chosen again.
    RunExpecting({"import-trc", kWalkTrc, "--scene", third, "--selected-only"}, 0, "");
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
        // Applied over a range onto the same skeleton: the frames it keys
        // hold the values they had, and the range it sets leaves them out.
        {"set.json", {"--apply", "--select", "walk", "--no-set-fps", "--range", "10", "20"},
         "tovfileio import-htr: warning: the import keyed frames 10 to 20 but the animation range "
         "is 1 to 11: frames outside it are not played, and export-htr --slider writes the range\n"},
    };
    for (const auto& c : cases) {
        RunExpecting(With({"import-htr", kWalkHtr, "--scene", Path(c.scene)}, c.args), 0, c.warnings);
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
    const auto text = RunOk({"scene", path});
    EXPECT_THAT(text.out,
                StartsWith("frame rate       25\nticks per frame  192\nsystem unit      1 mm\n"
                           "time             frame 0 (tick 0)\n"
                           "animation range  frames 0 to 5 (ticks 0 to 960)\nnodes            37\n"
                           "Hips  bone  position 1 key, rotation 0 keys (euler_xyz), scale 0 keys\n"
                           "  Spine  none  position 0 keys, rotation 2 keys (tcb), scale 0 keys\n"
                           "  Box  dummy  position 0 keys, rotation 0 keys (euler_xyz), scale 0 keys\n"
                           "    c  none"));
    EXPECT_THAT(text.out, HasSubstr("\n" + std::string(64, ' ') + "[depth 35] Tip  none"));
    // What --json prints is the scene as a JSON document (its layout is the
    // host's, checked with the host), which shows the same.
    const auto json = RunOk({"scene", "--json", path});
    EXPECT_EQ(RunCommand({"scene", Write("again.json", json.out)}).out, text.out);

    RunExpecting({"scene", Path("none.json")}, 1,
                 "tovfileio scene: " + Path("none.json") + ": cannot open: No such file or directory\n");
}

// A scene a command saved is a binary document; --json shows it as JSON
// text, which describes, and shows as JSON, exactly as the saved file does.
// A document is known by its content, whatever its name: `gltf` writes the
// same file from either form under any name.
TEST_F(SceneCommandsTest, SceneJsonShowsASavedDocumentAsText) {
    const std::string saved = WalkScene();
    EXPECT_NE(tovtest::ReadBytes(saved).substr(0, 1), "{");
    const auto json = RunOk({"scene", "--json", saved});
    EXPECT_THAT(json.out, StartsWith("{\n  \"format\": \"tovfileio-scene\",\n  \"version\": 2,\n"));
    const std::string text = Write("text.json", json.out);
    EXPECT_EQ(RunOk({"scene", text}).out, RunOk({"scene", saved}).out);
    EXPECT_EQ(RunOk({"scene", "--json", text}).out, json.out);

    const std::string renamed = Write("walk.scene", tovtest::ReadBytes(saved));
    RunOk({"gltf", renamed, Path("binary.gltf")});
    RunOk({"gltf", text, Path("text.gltf")});
    EXPECT_THAT(tovtest::ReadBytes(Path("binary.gltf")), StartsWith("{"));
    EXPECT_EQ(tovtest::ReadBytes(Path("binary.gltf")), tovtest::ReadBytes(Path("text.gltf")));
}

// Options a dialog remembers from an earlier run: a later run that keeps
// them says so, `options` shows them as the commands' flags and forgets
// them, and reading them creates nothing in the settings.
class RememberedOptionsTest : public SceneCommandsTest {
protected:
    std::string Scene() const { return Path("s.json"); }
};

TEST_F(RememberedOptionsTest, ALaterRunNamesTheRememberedValuesItKeeps) {
    const std::string s = WalkScene();
    const Arguments exportWalk = {"export-htr", Path("out.htr"), "--scene", s, "--select", "walk"};
    struct Case {
        const char* name;
        Arguments first;   // a run whose dialog accepted these
        Arguments second;  // a later run
        const char* said;  // the flags it names, or null for no word
    };
    const Case cases[] = {
        {"export-htr", With(exportWalk, {"--range", "10", "20", "--offset", "1000", "--no-animate"}),
         With(exportWalk, {"--range", "1", "10"}), "--no-animate --offset 1000"},
        {"export-htr, one given", With(exportWalk, {"--offset", "1000", "--no-animate"}),
         With(exportWalk, {"--animate"}), "--offset 1000"},
        {"export-htr, all given", With(exportWalk, {"--offset", "7", "--current-pose"}),
         With(exportWalk, {"--offset", "0", "--saved-pose"}), nullptr},
        {"import-htr", {"import-htr", kWalkHtr, "--scene", s, "--scale-factor", "-1",
         "--no-animate", "--key-base", "--tcb"},
         {"import-htr", kWalkHtr, "--scene", s}, "--no-animate --key-base --tcb --scale-factor -1"},
        {"import-htr, without the dialog", {"import-htr", kWalkHtr, "--scene", s, "--size", "2.5"},
         {"import-htr", kWalkHtr, "--scene", s, "--suppress-prompts"}, nullptr},
        {"import-trc", {"import-trc", kWalkTrc, "--scene", s, "--point", "--size", "2.5", "--root-node"},
         {"import-trc", kWalkTrc, "--scene", s, "--create"}, "--point --root-node --size 2.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunOk({"options", "--reset"});
        RunOk(c.first);
        const std::string command = c.second[0];
        RunExpecting(c.second, 0,
                     c.said == nullptr ? std::string()
                                       : "tovfileio " + command + ": remembered from an earlier run: " +
                                             c.said + " (tovfileio options --reset " + command +
                                             " forgets them)\n");
    }
}

TEST_F(RememberedOptionsTest, OptionsShowsAndForgetsThemPerCommand) {
    WalkScene();
    // Nothing remembered yet differs from the defaults but what WalkScene chose.
    RunOk({"export-htr", Path("out.htr"), "--scene", Scene(), "--select", "walk", "--offset",
           "1000", "--no-parent-transforms"});
    const auto shown = RunOk({"options"});
    EXPECT_EQ(shown.out, "settings: " + Settings() + "\nimport-htr: --key-base --set-fps\n"
                         "import-trc: the defaults\nexport-htr: --no-parent-transforms --offset 1000\n");
    EXPECT_EQ(RunCommand({"options", "--json", "export-htr"}).out,
              "{\"command\":\"export-htr\",\"settings\":\"" + Settings() +
                  "\",\"section\":\"Software\\\\Tovelund\\\\TOVFileIO\\\\Brindle\\\\ExportHTR\",\"remembered\":"
                  "[\"--no-parent-transforms\",\"--offset\",\"1000\"]}\n");
    // Forgetting one command leaves the others; the file loses the section.
    const auto reset = RunOk({"options", "--reset", "export-htr"});
    EXPECT_EQ(reset.out, "export-htr: forgotten\n");
    const std::string file = tovtest::ReadBytes(Settings());
    EXPECT_EQ(file.find("Brindle\\ExportHTR]"), std::string::npos) << file;
    EXPECT_THAT(file, HasSubstr("Brindle\\ImportHTR]"));
}

// A record that gains a stored value must gain a flag too; every flag named
// is one its command takes; and reading what is stored creates nothing.
TEST_F(RememberedOptionsTest, EveryStoredValueHasAFlagAndReadingCreatesNothing) {
    RunOk({"options"});
    EXPECT_FALSE(std::filesystem::exists(Settings()));

    // Every stored value away from its default, written under the record's names.
    auto storeAllChanged = [](auto& record) {
        RegistrySettingsKey key;
        EXPECT_TRUE(key.Open(kSettingsProduct, kSettingsHost, record.kSection));
        std::size_t count = 0;
        record.VisitStored(record, [&](const wchar_t* name, auto& field, StoredControls) {
            using T = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<T, bool>) {
                key.Write(name, !field);
            } else {
                key.Write(name, static_cast<T>(field + 3));
            }
            ++count;
        });
        key.Flush();
        return count;
    };
    ImportHTROptions importHtr{DetachedRecord{}};
    ImportTRCOptions importTrc{DetachedRecord{}};
    ExportHTROptions exportHtr{DetachedRecord{}};
    const std::pair<const char*, std::size_t> commands[] = {
        {"import-htr", storeAllChanged(importHtr)},
        {"import-trc", storeAllChanged(importTrc)},
        {"export-htr", storeAllChanged(exportHtr)},
    };
    for (const auto& [command, stored] : commands) {
        const auto shown = RunCommand({"options", command});
        const std::string flags = shown.out.substr(shown.out.find(": ", shown.out.find('\n')) + 2);
        const auto help = RunCommand({command, "--help"}).out;
        std::size_t named = 0;
        std::istringstream words(flags);
        for (std::string word; words >> word;) {
            if (word.rfind("--", 0) != 0) continue;
            ++named;
            EXPECT_THAT(help, HasSubstr(word)) << command << " " << word;
        }
        EXPECT_EQ(named, stored) << command << ": " << flags;
        // The help names the command that forgets them, as the runs' word does.
        EXPECT_THAT(help,
                    HasSubstr("tovfileio options --reset " + std::string(command))) << command;
    }
}

// A remembered number its dialog's field would refuse (a settings file
// edited by hand or damaged) never reaches the module: the field's default
// is used, a note says so, and `options` shows the default. Such a scale
// once wrote base positions 300 digits long; such a size refused every
// import until the options were reset.
TEST_F(RememberedOptionsTest, NumbersTheirFieldsRefuseAreNotUsed) {
    // The imports go to a scene of their own, which leaves the one exported.
    const std::string s = WalkScene(), other = Path("other.json");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::string said = " is not one its field takes; its default, ";
    struct Case {
        const wchar_t* section;
        const wchar_t* name;
        double value;
        bool single;  // stored as a float
        Arguments run;
        std::string note;
    };
    const Case cases[] = {
        {L"ExportHTR", L"ScaleFactor", 1e300, false,
         {"export-htr", Path("out.htr"), "--scene", s, "--select", "walk"},
         "ExportHTR: The remembered value of ScaleFactor (1e+300)" + said + "1, is used instead.\n"},
        {L"ImportHTR", L"Size", nan, true, {"import-htr", kWalkHtr, "--scene", other},
         "ImportHTR: The remembered value of Size (nan)" + said + "1, is used instead.\n"},
        {L"ImportTRC", L"ScaleFactor", -inf, false, {"import-trc", kWalkTrc, "--scene", other},
         "ImportTRC: The remembered value of ScaleFactor (-inf)" + said + "1, is used instead.\n"},
        {L"ConvertGWM", L"OffsetY", 1e10, true, {"utility", "--scene", s},
         "The remembered value of OffsetY (1e+10)" + said + "0, is used instead."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.run[0]);
        RunOk({"options", "--reset"});
        RegistrySettingsKey key;
        ASSERT_TRUE(key.Open(kSettingsProduct, kSettingsHost, c.section));
        c.single ? key.Write(c.name, static_cast<float>(c.value)) : key.Write(c.name, c.value);
        key.Flush();
        if (c.run[0] != "utility") {
            EXPECT_THAT(RunOk({"options", c.run[0]}).out, EndsWith(": the defaults\n"));
        }
        const auto run = RunOk(c.run, std::string("quit\n"));
        EXPECT_THAT(run.out + run.err, HasSubstr(c.note));
    }
    // The export wrote what the default scale writes.
    RunOk({"export-htr", Path("again.htr"), "--scene", s, "--select", "walk", "--scale-factor", "1"});
    EXPECT_EQ(tovtest::ReadBytes(Path("out.htr")), tovtest::ReadBytes(Path("again.htr")));
}

// Only the dialog loads the remembered options: --suppress-prompts imports
// with the importer's defaults.
TEST_F(RememberedOptionsTest, WithoutTheDialogTheDefaultsApply) {
    RunOk({"import-htr", kWalkHtr, "--scene", Scene(), "--no-animate", "--no-key-base"});
    const std::string notSet = "animation range  not set";
    // The dialog starts from "no animation": nothing is keyed over a range.
    std::filesystem::remove(Scene());
    RunOk({"import-htr", kWalkHtr, "--scene", Scene()});
    EXPECT_THAT(RunCommand({"scene", Scene()}).out, HasSubstr(notSet));
    // Without the dialog the default holds: animated.
    std::filesystem::remove(Scene());
    const auto run = RunOk({"import-htr", kWalkHtr, "--scene", Scene(), "--suppress-prompts", "--fps", "60"});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(RunCommand({"scene", Scene()}).out.find(notSet), std::string::npos);
}

}  // namespace
