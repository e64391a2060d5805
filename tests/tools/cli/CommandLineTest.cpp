// The command line as scripts and people meet it whatever the command:
// usage errors with status 2 that do nothing, help that agrees with itself,
// the version, the module's classes and About box, and names from files and
// scenes escaped wherever they are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/cli/RunCommand.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using tovtest::kWalkHtr;
using tovtest::kWalkTrc;
using tovtest::RunCommand;
using tovtest::RunExpecting;
using tovtest::RunOk;

class CommandLineTest : public tovtest::CliTest {};

// Refused before anything runs, with status 2: the scene stays as it was,
// no output appears, and nothing refused is remembered.
TEST_F(CommandLineTest, UsageErrorsAreStatusTwoAndDoNothing) {
    const std::string scene = Path("s.json"), out = Path("out.gwm"), htr = Path("out.htr");
    RunOk({"import-htr", kWalkHtr, "--scene", scene, "--create"});
    const std::string saved = tovtest::ReadBytes(scene);
    const std::string epochs = "SOURCE_DATE_EPOCH must be whole seconds since 1970 (up to the year 9999), not ";
    const std::string number = "takes numbers from -1000000 to 1000000";
    const std::string whole = "takes whole numbers from -2147483648 to 2147483647";
    struct Case {
        Arguments args;
        std::string said;          // after "tovfileio COMMAND: "
        const char* epoch = nullptr;  // SOURCE_DATE_EPOCH for the run
        bool tryHelp = true;       // the parser's hint follows
    };
    const Case cases[] = {
        {{"convert", "a.htr"}, "give IN and OUT (or --batch -o OUTDIR IN...)"},
        {{"convert", "-o", "d", "a.trc", "b.gwm"}, "-o goes with --batch; give IN OUT"},
        {{"convert", "--jobs", "2", kWalkTrc, out}, "--jobs goes with --batch"},
        {{"convert", "--batch", "a.trc"}, "--batch needs -o OUTDIR, the folder to write into"},
        {{"convert", "--batch", "-o", "d", "a.trc", "-"}, "standard input (-) cannot be a file of a batch"},
        {{"convert", "--rotation-units", "radians", kWalkTrc, "o.trc"},
         "--rotation-units applies to HTR to HTR only"},
        {{"convert", "--up", "x", kWalkTrc, "o.trc"}, "option '--up' takes y or z (or auto for glTF)"},
        {{"convert", "--up", "y", kWalkTrc, out}, "a GWM file stands Z-up; --up y does not apply to it"},
        {{"convert", "--up", "z", kWalkHtr, "o.bvh"},
         "--up applies to marker outputs (TRC, C3D, GWM, CSV); a skeleton is written Y-up"},
        {{"convert", "--batch", "-o", "d", "--no-filter", "a.trc"}, "--no-filter goes with --mnm"},
        {{"convert", "--frames", "held", kWalkTrc, out},
         "--frames held does not apply to TRC to GWM: a GWM file has the header's frame count"},
        {{"convert", "--frames", "all", kWalkTrc, out}, "option '--frames' takes header or held"},
        {{"convert", kWalkTrc, "o.trc", "--up", "auto"}, "--up auto applies to glTF"},
        {{"view", kWalkTrc, "--up", "x", "-o", out}, "option '--up' takes y, z or auto"},
        {{"preview", kWalkTrc, "--up", "down", "-o", out}, "option '--up' takes y, z or auto"},
        {{"convert", "--units=MM", "a.htr", "b.htr"}, "unknown units 'MM'"},
        {{"convert", "--rotation-units", "grad", "a", "b"}, "unknown rotation units 'grad'"},
        {{"convert", "--offset", "1", "2", "1e39", kWalkTrc, out}, "not a finite number: '1e39'"},
        {{"convert", kWalkTrc, out}, epochs + "'12345678901234567890'", "12345678901234567890"},
        {{"utility", "--scene", scene}, epochs + "'-5'", "-5"},
        {{"convert", "--max-output", "10Q", kWalkTrc, out},
         "--max-output takes a size such as 512M or 4G, not '10Q'"},
        {{"info", "--max-input", "lots", kWalkHtr},
         "--max-input takes a size such as 512M or 4G, not 'lots'"},
        {{"info", "--jsn", "x.htr"}, "The following argument was not expected: --jsn (did you mean --json?)"},
        {{"preview", "-o", out}, "give either a file (HTR, BVH, TRC, C3D or GWM) or --scene"},
        {{"view", kWalkTrc, "--scene", scene, "-o", out}, "give either files (HTR, BVH, TRC, C3D or GWM) or --scene"},
        {{"view", kWalkTrc, "--align", "time", "-o", out}, "--align goes with two files or more"},
        {{"view", kWalkTrc, kWalkHtr, "--align", "clock", "-o", out}, "option '--align' takes frame or time"},
        {{"view", "--fill-gaps", kWalkTrc, kWalkHtr, "-o", out},
         "--fill-gaps, --filter, --range, --rename, --keep and --drop apply to marker takes (TRC, C3D or GWM), "
         "not to the skeleton of " + kWalkHtr},
        {{"view", "--scene", scene, "--drop", "LFHD", "-o", out},
         "--fill-gaps, --filter, --range, --rename, --keep and --drop apply to marker takes (TRC, C3D or GWM), "
         "not to --scene"},
        {{"view", kWalkTrc, "--max-gap", "0.2", "-o", out}, "--max-gap goes with --fill-gaps"},
        {{"import-htr", kWalkHtr, "--scene", scene, "--scal-factor", "2", "--sise"},
         "The following arguments were not expected: --scal-factor 2 --sise (did you mean --scale-factor for --scal-factor, --size for --sise?)"},
        {{"import-htr", kWalkHtr, "--scene", scene, "--frobnicate"},
         "The following argument was not expected: --frobnicate"},
        // Values a dialog's field refuses, and flags no dialog would take.
        {{"import-htr", kWalkHtr, "--scene", scene, "--size", "1e40"},
         "--size 1e40: the Segment Size field " + number, nullptr, false},
        {{"import-htr", kWalkHtr, "--scene", scene, "--offset", "1e9"},
         "--offset 1e9: the Offset field " + whole, nullptr, false},
        {{"import-trc", kWalkTrc, "--scene", scene, "--scale-factor", "nan"},
         "--scale-factor nan: the Global field " + number, nullptr, false},
        {{"export-htr", htr, "--scene", scene, "--select", "walk", "--range", "1", "40.5"},
         "--range 40.5: the To field " + whole, nullptr, false},
        {{"export-htr", htr, "--scene", scene, "--select", "walk", "--suppress-prompts", "--slider"},
         "--slider: --suppress-prompts opens no dialog for it to act on", nullptr, false},
    };
    for (const Case& c : cases) {
        const tovtest::ScopedEnv epoch("SOURCE_DATE_EPOCH", c.epoch);
        const std::string command = "tovfileio " + c.args[0];
        RunExpecting(c.args, 2,
                     command + ": " + c.said + "\n" + (c.tryHelp ? "Try '" + command + " --help'.\n" : ""));
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.said;
        EXPECT_FALSE(std::filesystem::exists(out) || std::filesystem::exists(htr)) << c.said;
    }
    // Nothing refused was remembered: the next import takes what it had.
    RunOk({"import-htr", kWalkHtr, "--scene", scene});
}

// Every command the help lists has help of its own that starts with the
// same description, by --help and -h alike; no command is a usage error.
TEST_F(CommandLineTest, HelpAgreesWithItself) {
    const auto help = RunOk({"--help"});
    const std::size_t list = help.out.find("\nSubcommands:\n");
    ASSERT_NE(list, std::string::npos) << help.out;
    std::istringstream lines(help.out.substr(list + 14));
    std::size_t commands = 0;
    for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0; ++commands) {
        std::istringstream words(line);
        std::string name, description;
        words >> name >> std::ws;
        std::getline(words, description);
        for (const char* flag : {"--help", "-h"}) {
            EXPECT_THAT(RunExpecting({name, flag}, 0, "").out,
                        StartsWith(description + "\nUsage: tovfileio " + name + " [OPTIONS]"));
        }
    }
    EXPECT_GT(commands, 10u);
    RunExpecting({"frobnicate"}, 2, "tovfileio: unknown command 'frobnicate'\nTry 'tovfileio --help'.\n");
    // A command mistyped by a letter or two, or begun, is named.
    for (const auto& [typed, meant] : {std::pair{"conver", "convert"}, {"improt-htr", "import-htr"},
                                       {"previe", "preview"}, {"optio", "options"}}) {
        EXPECT_EQ(RunCommand({typed}).err, std::string("tovfileio: unknown command '") + typed +
                                               "' (did you mean " + meant +
                                               "?)\nTry 'tovfileio --help'.\n");
    }
    // The version is the project's, the one the package and its manual carry.
    for (const char* flag : {"--version", "-V"}) {
        EXPECT_EQ(RunOk({flag}).out, "tovfileio " TOV_PROJECT_VERSION "\n") << flag;
    }
}

TEST_F(CommandLineTest, PluginsListsTheModulesClassesAndAboutShowsItsBox) {
    // The module's classes by name, in its order (their ids are checked where
    // the module is loaded).
    const auto plugins = nlohmann::json::parse(RunOk({"plugins", "--json"}).out);
    std::vector<std::string> names;
    for (const auto& desc : plugins["classes"]) names.push_back(desc["name"]);
    EXPECT_EQ(names, (std::vector<std::string>{"ImportHTR", "ExportHTR", "ImportTRC",
                                               "TOVUtilities"}));
    const auto about = RunOk({"about"});
    EXPECT_THAT(about.out,
                StartsWith("About...\n  [picture]\n  TOVFileIO for Brindle\n  Version 3.2.1\n"));

    const tovtest::ScopedEnv elsewhere("TOVFILEIO_MODULE", "/nonexistent/TOVFileIO.dlu");
    RunExpecting({"plugins"}, 1, StartsWith("/nonexistent/TOVFileIO.dlu: "));
}

// True when `text` holds no control character but line feeds.
bool OnlyLineFeeds(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        return c != '\n' && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
    });
}

// Names from a file or a scene reach the terminal escaped: an escape
// sequence cannot clear the screen, a line feed or carriage return cannot
// forge or overwrite a line of the output.
TEST_F(CommandLineTest, NamesAreEscapedWhereverTheyArePrinted) {
    using tovtest::Edited;
    const std::string htr = tovtest::ReadBytes(kWalkHtr);
    const std::string twins = Write("d.htr", Edited(Edited(htr, "Chest", "Lower\x1b" "Back", true),
                                                    "LowerBack", "Lower\x1b" "Back", true));
    const std::string scene = Write("s.json", R"({"format": "tovfileio-scene", "version": 1, "nodes": [
              {"name": "Hips\u001b[2J", "handle": 1},
              {"name": "A\nforged line", "handle": 2, "parent_handle": 1},
              {"name": "tab\tand\u007fdel", "handle": 3}]})");
    // Each name escaped, in standard output or error; a line feed in a name
    // would not show as "\\n".
    const std::pair<Arguments, std::vector<std::string>> cases[] = {
        {{"scene", scene}, {"  A\\nforged line  none", "Hips\\x1B[2J  none", "tab\\tand\\x7Fdel"}},
        {{"info", Write("a.htr", Edited(htr, "LowerBack", "Lower\x1b[2JBack\rX", true))},
         {"      Lower\\x1B[2JBack\\rX\n"}},
        {{"info", Write("a.trc", Edited(tovtest::ReadBytes(kWalkTrc), "LFHD", "LF\x1b]0;title\x07HD", true))},
         {"    LF\\x1B]0;title\\x07HD  "}},
        // A reader's message, from info and from convert.
        {{"info", twins}, {"duplicate segment names: Lower\\x1BBack"}},
        {{"convert", twins, Path("out.htr")}, {"duplicate segment names: Lower\\x1BBack"}},
    };
    for (const auto& [args, escaped] : cases) {
        SCOPED_TRACE(args[1]);
        const auto run = RunCommand(args);
        EXPECT_TRUE(OnlyLineFeeds(run.out)) << run.out;
        EXPECT_TRUE(OnlyLineFeeds(run.err)) << run.err;
        for (const std::string& shown : escaped) {
            EXPECT_THAT(run.out + run.err, HasSubstr(shown)) << run.out << run.err;
        }
    }
}

}  // namespace
