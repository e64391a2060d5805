// MNM files that no one should trust.
#include <gtest/gtest.h>

#include "tests/support/HostileInputs.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/gwm/MarkerNameMap.h"

using namespace tovfileio;

namespace {

const std::string kValidMap = "LFHD\tHead1\t\nRFHD\tHead2\t\nC7\tNeck\t\n";

TEST(MNMHostileTest, EveryInputReadsAsFarAsItGoes) {
    tovtest::ScratchDir dir;
    for (const auto& input : tovtest::HostileInputs(kValidMap)) {
        MarkerNameMap map;
        EXPECT_TRUE(map.ReadMNMFile(tovtest::Wide(dir.Write("map.mnm", input.bytes))))
            << input.name;
    }
    MarkerNameMap utf16;
    ASSERT_TRUE(utf16.ReadMNMFile(tovtest::Wide(dir.Write("map.mnm", tovtest::Utf16(kValidMap, true)))));
    EXPECT_EQ(utf16.Entries().size(), 3u);
    for (std::size_t length = 0; length <= kValidMap.size(); ++length) {
        MarkerNameMap map;
        ASSERT_TRUE(map.ReadMNMFile(tovtest::Wide(dir.Write("map.mnm", kValidMap.substr(0, length)))));
        // Whole lines before the cut give their entries; a cut line gives one
        // only when both names were begun.
        EXPECT_LE(map.Entries().size(), 3u);
    }
}

}  // namespace
