// The columns of a line's fields counted in one pass agree with counting
// each from the line's start, on wide lines and on UTF-8 bytes with
// multi-byte characters, bytes that are not UTF-8 and blanks before fields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "trc/TRCFields.h"

using namespace tovfileio;

namespace {

template <typename Char>
void ExpectColumnsAgree(std::basic_string_view<Char> line, const std::string& name) {
    trcfields::FieldWalk<Char> walk(line);
    trcfields::ColumnCounter<Char> counter(line);
    std::vector<std::uint64_t> counted, fromStart;
    while (true) {
        const auto field = trcfields::Trim(walk.Take());
        if (!field.empty()) {
            counted.push_back(counter.ColumnOf(field.data()));
            fromStart.push_back(trcfields::ColumnOf(line, field.data()));
        }
        if (!walk.HasTab()) break;
        walk.Skip();
    }
    EXPECT_EQ(counted, fromStart) << name;
}

TEST(TRCFieldsTest, ColumnsCountedInOnePassAgreeWithColumnsFromTheStart) {
    const std::string lines[] = {
        "Frame#\tTime\tLFHD\t\t\tRFHD\t\t\tC7",
        "\t\t\xC3\xA9t\xC3\xA9\t\t\t\xE6\x97\xA5\xE6\x9C\xAC\t\t\t\xF0\x9F\x98\x80x\tend",
        // A sequence cut short by a tab, a stray continuation byte and a
        // lead byte at the very end.
        "a\xE2\x82\tb\x80\xBF\t  blank\t\xFF\xFE\tlast\xE2",
        "\t \t  \t\xC3",
    };
    for (const std::string& line : lines) {
        ExpectColumnsAgree<char>(line, line);
        const std::wstring wide = trcfields::Widen(std::string_view(line));
        ExpectColumnsAgree<wchar_t>(wide, line);
    }
}

}  // namespace
