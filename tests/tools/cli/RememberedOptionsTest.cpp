// Options a dialog remembers from an earlier run: a later run that keeps
// them says so, `options` shows them as the commands' flags and forgets
// them, and reading them creates nothing in the settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <type_traits>

#include "export_htr/ExportHTROptions.h"
#include "import_htr/ImportHTROptions.h"
#include "import_trc/ImportTRCOptions.h"
#include "tests/tools/cli/RunCommand.h"

namespace {

using tovtest::kWalkHtr;
using tovtest::kWalkTrc;
using tovtest::RunCommand;
using tovtest::With;

class RememberedOptionsTest : public tovtest::CliTest {
protected:
    std::string Settings() const { return settings_.Path(); }
    std::string Scene() const { return Path("s.json"); }

    // A scene holding the walk skeleton, imported with every option given.
    void ImportWalk() {
        const auto run = RunCommand({"import-htr", kWalkHtr, "--scene", Scene(), "--create", "--key-base",
                                     "--animate", "--all", "--set-fps", "--size", "1", "--scale-factor", "1",
                                     "--euler", "--no-end-effectors"});
        ASSERT_EQ(run.status, 0) << run.err;
    }
};

TEST_F(RememberedOptionsTest, ALaterRunNamesTheRememberedValuesItKeeps) {
    ImportWalk();
    const std::string s = Scene();
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
        {"import-htr", {"import-htr", kWalkHtr, "--scene", s, "--scale-factor", "-1", "--no-animate", "--key-base", "--tcb"},
         {"import-htr", kWalkHtr, "--scene", s}, "--no-animate --key-base --tcb --scale-factor -1"},
        {"import-htr, without the dialog", {"import-htr", kWalkHtr, "--scene", s, "--size", "2.5"},
         {"import-htr", kWalkHtr, "--scene", s, "--suppress-prompts"}, nullptr},
        {"import-trc", {"import-trc", kWalkTrc, "--scene", s, "--point", "--size", "2.5", "--root-node"},
         {"import-trc", kWalkTrc, "--scene", s, "--create"}, "--point --root-node --size 2.5"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(RunCommand({"options", "--reset"}).status, 0);
        const auto first = RunCommand(c.first);
        ASSERT_EQ(first.status, 0) << c.name << ": " << first.err;
        const auto second = RunCommand(c.second);
        EXPECT_EQ(second.status, 0) << c.name << ": " << second.err;
        const std::string command = c.second[0];
        EXPECT_EQ(second.err, c.said == nullptr ? std::string()
                                                : "tovfileio " + command + ": remembered from an earlier run: " +
                                                      c.said + " (tovfileio options --reset " + command +
                                                      " forgets them)\n")
            << c.name;
    }
}

TEST_F(RememberedOptionsTest, OptionsShowsAndForgetsThemPerCommand) {
    ImportWalk();
    // Nothing remembered yet differs from the defaults but what ImportWalk chose.
    ASSERT_EQ(RunCommand({"export-htr", Path("out.htr"), "--scene", Scene(), "--select", "walk", "--offset",
                          "1000", "--no-parent-transforms"})
                  .status,
              0);
    const auto shown = RunCommand({"options"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "settings: " + Settings() + "\nimport-htr: --key-base --set-fps\n"
                         "import-trc: the defaults\nexport-htr: --no-parent-transforms --offset 1000\n");
    EXPECT_EQ(RunCommand({"options", "--json", "export-htr"}).out,
              "{\"command\":\"export-htr\",\"settings\":\"" + Settings() +
                  "\",\"section\":\"Software\\\\Tovelund\\\\TOVFileIO\\\\Brindle\\\\ExportHTR\",\"remembered\":"
                  "[\"--no-parent-transforms\",\"--offset\",\"1000\"]}\n");
    // Forgetting one command leaves the others; the file loses the section.
    const auto reset = RunCommand({"options", "--reset", "export-htr"});
    EXPECT_EQ(reset.status, 0) << reset.err;
    EXPECT_EQ(reset.out, "export-htr: forgotten\n");
    const std::string file = tovtest::ReadBytes(Settings());
    EXPECT_EQ(file.find("Brindle\\ExportHTR]"), std::string::npos) << file;
    EXPECT_NE(file.find("Brindle\\ImportHTR]"), std::string::npos) << file;
    RunCommand({"options", "--reset"});
    EXPECT_EQ(tovtest::ReadBytes(Settings()).find("Brindle\\ImportHTR]"), std::string::npos);
}

// A record that gains a stored value must gain a flag too; every flag named
// is one its command takes; and reading what is stored creates nothing.
TEST_F(RememberedOptionsTest, EveryStoredValueHasAFlagAndReadingCreatesNothing) {
    EXPECT_EQ(RunCommand({"options"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(Settings()));

    // Every stored value away from its default, written under the record's names.
    auto storeAllChanged = [](auto& record) {
        RegistrySettingsKey key;
        EXPECT_TRUE(key.Open(kSettingsProduct, kSettingsHost, record.kSection));
        std::size_t count = 0;
        record.VisitStored(record, [&](const wchar_t* name, auto& field) {
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
            EXPECT_NE(help.find(word), std::string::npos) << command << " " << word;
        }
        EXPECT_EQ(named, stored) << command << ": " << flags;
        // The help names the command that forgets them, as the runs' word does.
        EXPECT_NE(help.find("tovfileio options --reset " + std::string(command)), std::string::npos) << command;
    }
}

// Only the dialog loads the remembered options: --suppress-prompts imports
// with the importer's defaults.
TEST_F(RememberedOptionsTest, WithoutTheDialogTheDefaultsApply) {
    ASSERT_EQ(RunCommand({"import-htr", kWalkHtr, "--scene", Scene(), "--no-animate", "--no-key-base"}).status, 0);
    const std::string notSet = "animation range  not set";
    // The dialog starts from "no animation": nothing is keyed over a range.
    std::filesystem::remove(Scene());
    ASSERT_EQ(RunCommand({"import-htr", kWalkHtr, "--scene", Scene()}).status, 0);
    EXPECT_NE(RunCommand({"scene", Scene()}).out.find(notSet), std::string::npos);
    // Without the dialog the default holds: animated.
    std::filesystem::remove(Scene());
    const auto run = RunCommand({"import-htr", kWalkHtr, "--scene", Scene(), "--suppress-prompts", "--fps", "60"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(RunCommand({"scene", Scene()}).out.find(notSet), std::string::npos);
}

}  // namespace
