// The plug-in frame: messages, settings keys and the About box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "brindle/host/RegistryStore.h"
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
    ASSERT_EQ(script.MessageBoxes().size(), 4u);
    const auto& report = script.MessageBoxes()[0];
    EXPECT_EQ(report.text, L"Cannot Open Batch Log File.");
    EXPECT_EQ(report.caption, L"ConvertGWM Error");
    EXPECT_EQ(report.type, MB_OK);
    EXPECT_EQ(report.owner, brindle::host::MainWindow());
    EXPECT_EQ(script.MessageBoxes()[1].type, MB_YESNO);
}

TEST(FrameTest, SettingsKeyReadsWhatFitsAndLeavesTheRest) {
    tovtest::ScratchDir dir;
    brindle::host::RegistryStore::Instance().UseFile((dir.Path() / "registry.reg").string());
    RegistrySettingsKey closed;
    bool flag = true;
    EXPECT_FALSE(closed.ReadBool(L"Apply", flag));
    EXPECT_FALSE(closed.WriteBool(L"Apply", false));

    RegistrySettingsKey key;
    ASSERT_TRUE(key.Open(L"TOVFileIO", L"Brindle", L"ConvertGWM"));
    EXPECT_NE(tovtest::ReadBytes(dir.Path() / "registry.reg")
                  .find("[HKEY_CURRENT_USER\\Software\\Tovelund\\TOVFileIO\\Brindle\\ConvertGWM]"),
              std::string::npos);
    ASSERT_TRUE(key.WriteBool(L"Filter", true));
    ASSERT_TRUE(key.WriteInt(L"Offset", -7));
    ASSERT_TRUE(key.WriteFloat(L"OffsetX", 2.5f));
    ASSERT_TRUE(key.WriteDouble(L"ScaleFactor", 2.5));
    const std::wstring path = L"C:\\capture\\walk \u00e9\U0001F600.mnm";
    ASSERT_TRUE(key.WriteString(L"MNMPath", path));
    ASSERT_TRUE(key.WriteString(L"Longest", std::wstring(1023, L'x')));
    ASSERT_TRUE(key.WriteString(L"TooLong", std::wstring(1024, L'x')));
    // The values reach the disk together, in one save.
    const std::size_t saves = brindle::host::RegistryStore::Instance().Saves();
    ASSERT_TRUE(key.Flush());
    EXPECT_EQ(brindle::host::RegistryStore::Instance().Saves(), saves + 1);

    // A fresh key over the saved store reads every kind back bit for bit.
    brindle::host::RegistryStore::Instance().UseFile((dir.Path() / "registry.reg").string());
    RegistrySettingsKey again;
    ASSERT_TRUE(again.Open(L"TOVFileIO", L"Brindle", L"ConvertGWM"));
    bool filter = false;
    std::int32_t offset = 0;
    float offsetX = 0;
    double scale = 0;
    std::wstring text;
    EXPECT_TRUE(again.ReadBool(L"Filter", filter) && filter);
    EXPECT_TRUE(again.ReadInt(L"Offset", offset) && offset == -7);
    EXPECT_TRUE(again.ReadFloat(L"OffsetX", offsetX) && offsetX == 2.5f);
    EXPECT_TRUE(again.ReadDouble(L"ScaleFactor", scale));
    EXPECT_EQ(std::memcmp(&scale, &(const double&)2.5, sizeof scale), 0);
    EXPECT_TRUE(again.ReadString(L"MNMPath", text) && text == path);
    EXPECT_TRUE(again.ReadString(L"Longest", text) && text.size() == 1023u);

    // What does not fit its kind's buffer is not read, and the field stays.
    text = L"kept";
    EXPECT_FALSE(again.ReadString(L"TooLong", text));
    bool asBool = true;
    EXPECT_FALSE(again.ReadBool(L"Offset", asBool));  // four bytes into one
    EXPECT_TRUE(asBool);
    EXPECT_FALSE(again.ReadInt(L"ScaleFactor", offset));
    EXPECT_FALSE(again.ReadDouble(L"Missing", scale));
    EXPECT_EQ(text, L"kept");
    EXPECT_EQ(offset, -7);

    // Opened only to read: a missing section is not made, nothing is written.
    RegistrySettingsKey reader;
    EXPECT_FALSE(reader.OpenExisting(kSettingsProduct, kSettingsHost, L"ImportHTR"));
    ASSERT_TRUE(reader.OpenExisting(kSettingsProduct, kSettingsHost, L"ConvertGWM"));
    EXPECT_TRUE(reader.ReadInt(L"Offset", offset));
    EXPECT_FALSE(reader.WriteInt(L"Offset", 2));
    EXPECT_FALSE(reader.Flush());
    brindle::host::RegistryStore::Instance().UseFile((dir.Path() / "registry.reg").string());
    EXPECT_TRUE(again.Open(kSettingsProduct, kSettingsHost, L"ConvertGWM"));
    EXPECT_TRUE(again.ReadInt(L"Offset", offset) && offset == -7);
    EXPECT_EQ(tovtest::ReadBytes(dir.Path() / "registry.reg").find("ImportHTR"), std::string::npos);
    brindle::host::RegistryStore::Instance().UseFile("");
}

TEST(FrameTest, AboutBoxIsCentredAndOnlyOkEndsIt) {
    struct Case { const char* name; ScriptedDriver script; INT_PTR result; };
    Case cases[] = {
        {"ok", ScriptedDriver().Click(1097), 1},
        // Escape, closing and other controls do nothing; Enter presses OK.
        {"others ignored", ScriptedDriver().Escape().Close().Click(1069).Enter(), 1},
        {"never closed", ScriptedDriver().Escape(), -1},
    };
    for (Case& c : cases) {
        RECT dialog = {}, owner = {};
        c.script.Click(0);  // a click on nothing, never reached when the box closed
        brindle::host::SetUiDriver(&c.script);
        const INT_PTR result = RunAboutBox(brindle::host::MainWindow());
        brindle::host::SetUiDriver(nullptr);
        brindle::host::TakeUiProblems();
        EXPECT_EQ(result, c.result) << c.name;
        ASSERT_EQ(c.script.OpenedDialogs().size(), 1u);
        const auto& view = c.script.OpenedDialogs()[0];
        EXPECT_EQ(view.title, L"About...");
        dialog = view.rect;
        GetWindowRect(brindle::host::MainWindow(), &owner);
        EXPECT_LE(std::abs((dialog.left + dialog.right) - (owner.left + owner.right)), 1) << c.name;
        EXPECT_LE(std::abs((dialog.top + dialog.bottom) - (owner.top + owner.bottom)), 1) << c.name;
    }
}

}  // namespace
