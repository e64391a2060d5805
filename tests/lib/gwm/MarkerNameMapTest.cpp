#include <gtest/gtest.h>

#include <string>

#include "tovfileio/text/TextCodec.h"
#include "tests/support/HostileInputs.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/gwm/MarkerNameMap.h"

using namespace tovfileio;

using tovtest::ScratchDir;
using tovtest::Wide;

namespace {

// (How the filter renames and leaves out markers, the command line's batch
// test checks.)
TEST(MarkerNameMapTest, ReadsPairsAndTheFirstMatchWins) {
    ScratchDir dir;
    const auto mnm = dir.Write("map.mnm",
                               "LFHD\tHead1\t\n"
                               "RFHD\tHead1\t\n"  // the same TRC name again: never used
                               "lonely\n"
                               "\n"
                               "  C7 \t Neck  extra words\r\n"
                               "STRN\tChest");   // no line end at the end
    MarkerNameMap map;
    ASSERT_TRUE(map.ReadMNMFile(Wide(mnm)));
    ASSERT_EQ(map.Entries().size(), 4u);
    EXPECT_EQ(map.Entries()[2].gwmName, L"C7");
    EXPECT_EQ(map.Entries()[2].trcName, L"Neck");
    EXPECT_EQ(map.Entries()[3].nodeHandle, 0u);
    // Loading again appends; every lookup stays as it was.
    ASSERT_TRUE(map.ReadMNMFile(Wide(mnm)));
    EXPECT_EQ(map.Entries().size(), 8u);
    const struct { std::wstring name; bool found; std::wstring result; } lookups[] = {
        {L"Head1", true, L"LFHD"}, {L"head1", false, L"head1"}, {L"Head", false, L"Head"},
        {L"Chest", true, L"STRN"}, {L"Neck", true, L"C7"},
    };
    for (const auto& l : lookups) {
        std::wstring name = l.name;
        EXPECT_EQ(map.LookupTRCName(name), l.found) << l.name;
        EXPECT_EQ(name, l.result);
    }
    EXPECT_FALSE(map.ReadMNMFile(Wide(dir.Path() / "missing.mnm")));
    EXPECT_EQ(map.Entries().size(), 8u);
}

// A name the map says it can hold reads back as itself from the file
// written; one it cannot hold would not (the creator refuses those picks).
// The bytes written, in the order picked, are the creator's tests'.
TEST(MarkerNameMapTest, NamesItCanHoldReadBackAsThemselves) {
    const struct { std::wstring name; bool held; } names[] = {
        {L"Head1", true},      {L"N\u00e9ck", true}, {L"a\u00a0b", true},
        {L"ana:head1", true},  {L"L Heel", false},   {L"", false},
        {L"tab\there", false}, {L"end\r", false},    {L" lead", false},
    };
    ScratchDir dir;
    for (const auto& n : names) {
        SCOPED_TRACE(tovfileio::EncodeUtf8(n.name));
        EXPECT_EQ(MarkerNameMap::CanHoldName(n.name), n.held);
        MarkerNameMap written;
        written.Append({L"LHEL", n.name, 0});
        ASSERT_TRUE(written.WriteMNMFile(Wide(dir.Path() / "one.mnm")));
        MarkerNameMap read;
        ASSERT_TRUE(read.ReadMNMFile(Wide(dir.Path() / "one.mnm")));
        const bool same = read.Entries().size() == 1 && read.Entries()[0].trcName == n.name;
        EXPECT_EQ(same, n.held);
    }
}

// MNM files that no one should trust.
const std::string kValidMap = "LFHD\tHead1\t\nRFHD\tHead2\t\nC7\tNeck\t\n";

TEST(MNMHostileTest, EveryInputReadsAsFarAsItGoes) {
    ScratchDir dir;
    for (const auto& input : tovtest::HostileInputs(kValidMap)) {
        MarkerNameMap map;
        EXPECT_TRUE(map.ReadMNMFile(Wide(dir.Write("map.mnm", input.bytes)))) << input.name;
    }
    MarkerNameMap utf16;
    ASSERT_TRUE(utf16.ReadMNMFile(Wide(dir.Write("map.mnm", tovtest::Utf16(kValidMap, true)))));
    EXPECT_EQ(utf16.Entries().size(), 3u);
    for (std::size_t length = 0; length <= kValidMap.size(); ++length) {
        MarkerNameMap map;
        ASSERT_TRUE(map.ReadMNMFile(Wide(dir.Write("map.mnm", kValidMap.substr(0, length)))));
        // Whole lines before the cut give their entries; a cut line gives one
        // only when both names were begun.
        EXPECT_LE(map.Entries().size(), 3u);
    }
}

}  // namespace
