// The plug-in frame: messages, settings keys and the About box.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "brindle/host/registry/RegistryStore.h"
#include "tests/support/ScriptedDriver.h"
#include "brindle/sdk/BrindleRegistry.h"
#include "plugin/AboutBox.h"
#include "plugin/MessageReporter.h"
#include "plugin/RegistrySettingsKey.h"
#include "tests/support/TestFiles.h"

using brindle::host::ScriptedDriver;

namespace {

TEST(FrameTest, ReporterAsksAndReportsThroughTheActiveWindow) {
    MessageReporter reporter;
    ScriptedDriver script;
    script.Answer(IDYES).Answer(IDNO);
    brindle::host::SetUiDriver(&script);
    reporter.Report(L"Cannot Open Batch Log File.", L"ConvertGWM Error");
    EXPECT_TRUE(reporter.Ask(L"Pick optional markers?", L"MNM File Creation Status"));
    EXPECT_FALSE(reporter.Ask(L"Again?", L"Q"));
    EXPECT_FALSE(reporter.Ask(L"No answer left", L"Q"));  // unanswerable: No, and a problem
    brindle::host::SetUiDriver(nullptr);
    EXPECT_EQ(brindle::host::TakeUiProblems().size(), 1u);
    // Texts and captions reach the boxes in every test of a message.
    ASSERT_EQ(script.MessageBoxes().size(), 4u);
    EXPECT_EQ(script.MessageBoxes()[0].type, MB_OK);
    EXPECT_EQ(script.MessageBoxes()[0].owner, brindle::host::MainWindow());
    EXPECT_EQ(script.MessageBoxes()[1].type, MB_YESNO);
}

// Flags, floats and short texts go through the key in
// ConvertGWMSettingsStoreTest, and where the key writes in
// RememberedOptionsTest; here, the kinds and sizes those do not reach.
TEST(FrameTest, SettingsKeyReadsWhatFitsAndLeavesTheRest) {
    tovtest::ScratchDir dir;
    const std::string store = (dir.Path() / "registry.reg").string();
    brindle::host::RegistryStore::Instance().UseFile(store);
    RegistrySettingsKey closed;
    bool flag = true;
    EXPECT_FALSE(closed.ReadBool(L"Apply", flag));
    EXPECT_FALSE(closed.WriteBool(L"Apply", false));

    RegistrySettingsKey key;
    ASSERT_TRUE(key.Open(L"TOVFileIO", L"Brindle", L"ConvertGWM"));
    ASSERT_TRUE(key.WriteInt(L"Offset", -7));
    ASSERT_TRUE(key.WriteDouble(L"ScaleFactor", 2.5));
    const std::wstring path = L"C:\\capture\\walk \u00e9\U0001F600.mnm";
    ASSERT_TRUE(key.WriteString(L"MNMPath", path));
    ASSERT_TRUE(key.WriteString(L"Longest", std::wstring(1023, L'x')));
    ASSERT_TRUE(key.WriteString(L"TooLong", std::wstring(1024, L'x')));
    ASSERT_TRUE(key.Flush());

    // A fresh key over the saved store reads every kind back bit for bit.
    brindle::host::RegistryStore::Instance().UseFile(store);
    RegistrySettingsKey again;
    ASSERT_TRUE(again.Open(L"TOVFileIO", L"Brindle", L"ConvertGWM"));
    std::int32_t offset = 0;
    double scale = 0;
    std::wstring text;
    EXPECT_TRUE(again.ReadInt(L"Offset", offset) && offset == -7);
    EXPECT_TRUE(again.ReadDouble(L"ScaleFactor", scale));
    EXPECT_EQ(std::memcmp(&scale, &(const double&)2.5, sizeof scale), 0);
    EXPECT_TRUE(again.ReadString(L"MNMPath", text) && text == path);
    EXPECT_TRUE(again.ReadString(L"Longest", text) && text.size() == 1023u);

    // What does not fit its kind's buffer is not read, and the field stays.
    text = L"kept";
    EXPECT_FALSE(again.ReadString(L"TooLong", text));
    EXPECT_EQ(text, L"kept");
    bool asBool = true;
    EXPECT_FALSE(again.ReadBool(L"Offset", asBool));  // four bytes into one
    EXPECT_TRUE(asBool);
    brindle::host::RegistryStore::Instance().UseFile("");
}

// The box's text is CommandLineTest.PluginsListsTheModulesClassesAndAboutShowsItsBox's.
TEST(FrameTest, AboutBoxOnlyOkEndsIt) {
    struct Case { const char* name; ScriptedDriver script; INT_PTR result; };
    Case cases[] = {
        {"ok", ScriptedDriver().Click(1097), 1},
        // Escape, closing and other controls do nothing; Enter presses OK.
        {"others ignored", ScriptedDriver().Escape().Close().Click(1069).Enter(), 1},
        {"never closed", ScriptedDriver().Escape(), -1},
    };
    for (Case& c : cases) {
        c.script.Click(0);  // a click on nothing, never reached when the box closed
        brindle::host::SetUiDriver(&c.script);
        const INT_PTR result = RunAboutBox(brindle::host::MainWindow());
        brindle::host::SetUiDriver(nullptr);
        brindle::host::TakeUiProblems();
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(c.script.OpenedDialogs().size(), 1u) << c.name;
    }
}

}  // namespace
