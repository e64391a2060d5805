// Names from a file or a scene reach the terminal escaped: an escape
// sequence cannot clear the screen, a line feed or carriage return cannot
// forge or overwrite a line of the output.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// True when `text` holds no control character but the line feeds ending its
// `lines` lines.
bool OnlyLineFeeds(const std::string& text, std::size_t& lines) {
    lines = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            ++lines;
        } else if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

TEST(SafeNamesTest, NamesAreEscapedWhereverTheyArePrinted) {
    tovtest::ScratchDir dir;
    const std::string htr = tovtest::ReadBytes(TOV_SOURCE_DIR "/samples/walk.htr");
    const std::string trc = tovtest::ReadBytes(TOV_SOURCE_DIR "/samples/walk.trc");
    const std::string scene =
        R"({"format": "tovfileio-scene", "version": 1, "nodes": [
              {"name": "Hips\u001b[2J", "handle": 1},
              {"name": "A\nforged line", "handle": 2, "parent_handle": 1},
              {"name": "tab\tand\u007fdel", "handle": 3}]})";
    struct Case {
        const char* name;
        Arguments args;
        std::size_t outLines, errLines;  // as many as with ordinary names
        const char* shown;  // the escaped name, in standard output or error
    };
    const Case cases[] = {
        {"scene tree", {"scene", dir.Write("s.json", scene).string()}, 9, 0,
         "  A\\nforged line  none"},
        {"scene tree, escape", {"scene", (dir.Path() / "s.json").string()}, 9, 0,
         "Hips\\x1B[2J  none"},
        {"scene tree, DEL", {"scene", (dir.Path() / "s.json").string()}, 9, 0,
         "tab\\tand\\x7Fdel"},
        {"HTR hierarchy",
         {"info", dir.Write("a.htr", Replaced(htr, "LowerBack", "Lower\x1b[2JBack\rX")).string()},
         30, 0, "      Lower\\x1B[2JBack\\rX\n"},
        {"TRC markers",
         {"info", dir.Write("a.trc", Replaced(trc, "LFHD", "LF\x1b]0;title\x07HD")).string()},
         42, 0, "    LF\\x1B]0;title\\x07HD  "},
        {"a reader's message",
         {"info", dir.Write("d.htr", Replaced(Replaced(htr, "Chest", "Lower\x1b" "Back"),
                                              "LowerBack", "Lower\x1b" "Back")).string()},
         0, 1, "duplicate segment names: Lower\\x1BBack"},
        {"convert's message",
         {"convert", (dir.Path() / "d.htr").string(), (dir.Path() / "out.htr").string()},
         0, 1, "duplicate segment names: Lower\\x1BBack"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = RunCommand(c.args);
        std::size_t outLines = 0, errLines = 0;
        EXPECT_TRUE(OnlyLineFeeds(run.out, outLines)) << run.out;
        EXPECT_TRUE(OnlyLineFeeds(run.err, errLines)) << run.err;
        EXPECT_EQ(outLines, c.outLines) << run.out;
        EXPECT_EQ(errLines, c.errLines) << run.err;
        EXPECT_NE((run.out + run.err).find(c.shown), std::string::npos) << run.out << run.err;
    }
}

}  // namespace
