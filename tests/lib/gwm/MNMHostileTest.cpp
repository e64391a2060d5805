// MNM files and registry stores that no one should trust.
#include <gtest/gtest.h>

#include "brindle/host/RegistryStore.h"
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

TEST(MNMHostileTest, RegistryStoresOfAnyKindLoad) {
    tovtest::ScratchDir dir;
    const std::string valid =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\T]\n"
        "\"A\"=dword:00000001\n\"B\"=hex(b):00,00,00,00,00,00,f0,3f\n\"C\"=\"text\"\n";
    for (const auto& input : tovtest::HostileInputs(valid)) {
        const auto file = dir.Write("registry.reg", input.bytes);
        brindle::host::RegistryStore::Instance().UseFile(file.string());
        EXPECT_TRUE(brindle::host::RegistryStore::Instance().Save()) << input.name;
    }
    brindle::host::RegistryStore::Instance().UseFile("");
}

}  // namespace
