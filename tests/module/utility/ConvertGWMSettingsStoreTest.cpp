#include <gtest/gtest.h>

#include "brindle/host/registry/RegistryStore.h"
#include "tests/support/TestFiles.h"
#include "utility/ConvertGWMSettingsStore.h"

using namespace tovfileio;
using tovtest::ScratchDir;

namespace {

TEST(ConvertGWMSettingsStoreTest, ConversionSettingsFallBackToTheirDefaults) {
    ScratchDir dir;
    brindle::host::RegistryStore::Instance().UseFile((dir.Path() / "registry.reg").string());
    RegistrySettingsKey key;
    ASSERT_TRUE(key.Open(L"TOVFileIO", L"Brindle", L"ConvertGWM"));
    ConvertGWMSettings settings;
    settings.MNMPath = L"D:\\maps\\lab.mnm";
    settings.Batch = true;
    settings.OffsetZ = -1.5f;
    SaveSettings(key, settings);
    ConvertGWMSettings loaded;
    loaded.Filter = false;
    LoadSettings(key, loaded);
    EXPECT_EQ(loaded.MNMPath, L"D:\\maps\\lab.mnm");
    EXPECT_TRUE(loaded.Batch);
    EXPECT_TRUE(loaded.Filter);
    EXPECT_EQ(loaded.OffsetZ, -1.5f);
    // A value that cannot be read puts its field back to the default, not to
    // what it held.
    key.WriteInt(L"Batch", 1);  // four bytes where a flag reads one
    key.WriteString(L"InputPath", std::wstring(2000, L'x'));
    LoadSettings(key, loaded);
    EXPECT_FALSE(loaded.Batch);
    EXPECT_EQ(loaded.InputPath, L"C:\\");
    brindle::host::RegistryStore::Instance().UseFile("");
}

}  // namespace
