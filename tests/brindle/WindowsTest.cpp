// The host's dialogs and message boxes, driven by a script.
#include <gtest/gtest.h>

#include "tests/support/ScriptedDriver.h"
#include "brindle/host/ui/UiDriver.h"
#include "brindle/sdk/BrindleWindows.h"

using brindle::host::ScriptedDriver;

namespace {

constexpr DialogControl kControls[] = {
    {10, ControlKind::CheckBox, L"Check", 0, 0, 50, 10},
    {11, ControlKind::RadioButton, L"A", 0, 12, 50, 10},
    {12, ControlKind::RadioButton, L"B", 0, 24, 50, 10},
    {13, ControlKind::Edit, L"", 0, 36, 50, 10},
    {14, ControlKind::DefaultButton, L"Go", 0, 48, 50, 10},
    // A whole-number field of -10 to 10 and a number field of a million
    // either way, both showing "5" when the dialog opens.
    {20, ControlKind::Edit, L"", 0, 60, 50, 10, 0, {EditEntry::Kind::Whole, -10, 10}},
    {21, ControlKind::CustomEdit, L"", 0, 72, 50, 10, 0, {EditEntry::Kind::Number, -1e6, 1e6}},
};
constexpr DialogTemplate kDialog = {500, L"Test", 100, 90, L"MS Sans Serif", 8, kControls, 7};

// Records what the dialog saw; Go ends it with 7 + the number of commands,
// Cancel with 0. A question asked from inside the dialog is answered by the
// script.
struct Record {
    int commands = 0;
    bool checked = false;
    bool radioB = false;
    std::wstring text, whole, number;
    bool answer = false;
    HWND activeInside = nullptr;
};

INT_PTR Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static Record* record = nullptr;
    if (message == WM_INITDIALOG) {
        record = reinterpret_cast<Record*>(lParam);
        CheckRadioButton(dialog, 11, 12, 11);
        SetDlgItemTextW(dialog, 20, L"5");
        SetDlgItemTextW(dialog, 21, L"5");
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    ++record->commands;
    switch (LOWORD(wParam)) {
        case 14: {
            record->checked = IsDlgButtonChecked(dialog, 10) == BST_CHECKED;
            record->radioB = IsDlgButtonChecked(dialog, 12) == BST_CHECKED;
            wchar_t text[64];
            GetDlgItemTextW(dialog, 13, text, 4);
            record->text = text;
            GetDlgItemTextW(dialog, 20, text, 64);
            record->whole = text;
            GetDlgItemTextW(dialog, 21, text, 64);
            record->number = text;
            record->activeInside = GetActiveWindow();
            record->answer = MessageBoxW(GetActiveWindow(), L"Sure?", L"Q", MB_YESNO) == IDYES;
            EndDialog(dialog, 7 + record->commands);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return TRUE;
    }
}

TEST(WindowsTest, DialogsPlayTheScriptAndNeverWait) {
    struct Case {
        const char* name;
        ScriptedDriver script;
        INT_PTR result;
        bool checked, radioB;
        std::wstring text;
        bool answer;
        std::size_t problems;
    };
    Case cases[] = {
        {"full", ScriptedDriver().Click(10).Click(12).SetText(13, L"abcdef").Enter().Answer(IDYES),
         7 + 4, true, true, L"abc", true, 0},
        {"escape", ScriptedDriver().Escape(), 0, false, false, L"", false, 0},
        {"close means cancel", ScriptedDriver().Close(), 0, false, false, L"", false, 0},
        {"question unanswered", ScriptedDriver().Enter(), 7 + 1, false, false, L"", false, 1},
    };
    for (Case& c : cases) {
        brindle::host::SetUiDriver(&c.script);
        Record record;
        const INT_PTR result = DialogBoxIndirectParamW(nullptr, &kDialog, brindle::host::MainWindow(),
                                                       Procedure, reinterpret_cast<LPARAM>(&record));
        brindle::host::SetUiDriver(nullptr);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(record.checked, c.checked) << c.name;
        EXPECT_EQ(record.radioB, c.radioB) << c.name;
        EXPECT_EQ(record.text, c.text) << c.name;
        EXPECT_EQ(record.answer, c.answer) << c.name;
        EXPECT_EQ(brindle::host::TakeUiProblems().size(), c.problems) << c.name;
        if (record.activeInside != nullptr) {
            // The question was owned by the dialog, the active window then.
            ASSERT_FALSE(c.script.MessageBoxes().empty());
            EXPECT_EQ(c.script.MessageBoxes().back().owner, record.activeInside);
            EXPECT_NE(record.activeInside, brindle::host::MainWindow());
        }
    }
    EXPECT_EQ(GetActiveWindow(), brindle::host::MainWindow());
}

// Typed text the fields refuse leaves what they held. (Infinities, NaN and
// numbers beyond a float are the command-line flags' test of the same fields.)
TEST(WindowsTest, NumericFieldsTakeOnlyNumbersInTheirRange) {
    const struct {
        std::wstring typed;
        const wchar_t* whole;   // what the whole-number field holds after typing
        const wchar_t* number;  // what the number field holds
    } cases[] = {
        {L"-10", L"-10", L"-10"},   {L" +7 ", L" +7 ", L" +7 "}, {L"", L"", L""},
        {L"11", L"5", L"11"},       {L"1e3", L"5", L"1e3"},      {L"2.5", L"5", L"2.5"},
        {L"-1e6", L"5", L"-1e6"},   {L"1000001", L"5", L"5"},    {L"0x10", L"5", L"5"},
        {L"1e", L"5", L"5"},        {L"99999999999999999999", L"5", L"5"},
    };
    for (const auto& c : cases) {
        ScriptedDriver script;
        script.SetText(20, c.typed).SetText(21, c.typed).Enter().Answer(IDYES);
        brindle::host::SetUiDriver(&script);
        Record record;
        DialogBoxIndirectParamW(nullptr, &kDialog, brindle::host::MainWindow(), Procedure,
                                reinterpret_cast<LPARAM>(&record));
        brindle::host::SetUiDriver(nullptr);
        const std::string typed(c.typed.begin(), c.typed.end());
        EXPECT_EQ(record.whole, c.whole) << "typed \"" << typed << "\"";
        EXPECT_EQ(record.number, c.number) << "typed \"" << typed << "\"";
    }
    EXPECT_TRUE(brindle::host::TakeUiProblems().empty());
}

}  // namespace
