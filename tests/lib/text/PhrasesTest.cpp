// Text from files made safe to print: control characters shown, UTF-8
// kept, long text cut at a character's start; counts with their nouns.
#include <gtest/gtest.h>

#include <string>

#include "tovfileio/text/Phrases.h"

using namespace tovfileio;

namespace {

TEST(PhrasesTest, ControlCharactersAreShownAndLongTextIsCutWhole) {
    const std::string forty(40, 'a');
    const struct {
        std::string text, escaped, quoted;
    } cases[] = {
        {"", "", "\"\""},
        {"LFHD", "LFHD", "\"LFHD\""},
        {"a\tb\r\n", "a\\tb\\r\\n", "\"a\\tb\\r\\n\""},
        {"\x1b[2J\x7f", "\\x1B[2J\\x7F", "\"\\x1B[2J\\x7F\""},
        {std::string("a\0b", 3), "a\\x00b", "\"a\\x00b\""},
        {"Knöchel", "Knöchel", "\"Knöchel\""},
        // Over 40 bytes: the first 40, less the character they would split.
        {forty + "b", forty + "b", "\"" + forty + "...\""},
        {forty.substr(1) + "\xC3\xB6", forty.substr(1) + "\xC3\xB6",
         "\"" + forty.substr(1) + "...\""},
        // Escaping follows the cut: a control character is never split.
        {forty.substr(1) + "\t" + "b", forty.substr(1) + "\\tb",
         "\"" + forty.substr(1) + "\\t...\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Escaped(c.text), c.escaped) << c.escaped;
        EXPECT_EQ(Quoted(c.text), c.quoted) << c.escaped;
    }
}

TEST(PhrasesTest, CountsTakeTheNounOfTheirNumber) {
    EXPECT_EQ(Counted(0, "row", "rows"), "0 rows");
    EXPECT_EQ(Counted(1, "marker is", "markers are"), "1 marker is");
    EXPECT_EQ(Counted(18446744073709551615u, "row", "rows"), "18446744073709551615 rows");
}

}  // namespace
