// The headless open dialog's answer as the module reads it: the buffer of
// one full path, or of a folder and the names below it, and the offset of
// the first name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brindle/host/ScriptedDriver.h"
#include "brindle/sdk/BrindleWindows.h"

namespace {

using brindle::host::ScriptedDriver;

// The buffer's strings up to the empty one that ends them.
std::vector<std::wstring> Strings(const wchar_t* buffer) {
    std::vector<std::wstring> strings;
    for (const wchar_t* at = buffer; *at != L'\0'; at += strings.back().size() + 1) {
        strings.emplace_back(at);
    }
    return strings;
}

TEST(FileDialogTest, AnswersAsTheModuleReadsThem) {
    struct Case {
        const char* name;
        bool multiple;
        std::vector<std::wstring> chosen;
        std::vector<std::wstring> buffer;  // empty: the dialog was cancelled
        WORD offset;
    };
    const Case cases[] = {
        {"one file", false, {L"/data/walk.trc"}, {L"/data/walk.trc"}, 6},
        {"one file, several allowed", true, {L"/data/walk.trc"}, {L"/data/walk.trc"}, 6},
        {"a bare name", false, {L"walk.trc"}, {L"./walk.trc"}, 2},
        {"one folder", true, {L"/d/a.trc", L"/d/b.trc"}, {L"/d", L"a.trc", L"b.trc"}, 3},
        {"two folders", true, {L"/d/x/a.trc", L"/d/y/b.trc"}, {L"/d", L"x/a.trc", L"y/b.trc"}, 3},
        {"bare names", true, {L"a.trc", L"sub/b.trc"}, {L".", L"a.trc", L"sub/b.trc"}, 2},
        {"cancelled", true, {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDriver driver;
        driver.Files(c.chosen);
        auto* previous = brindle::host::SetUiDriver(&driver);
        std::vector<wchar_t> buffer(300, L'\x7F');
        OPENFILENAMEW request{};
        request.lpstrFile = buffer.data();
        request.nMaxFile = static_cast<DWORD>(buffer.size());
        request.lpstrFilter = L"TRC (*.TRC)\0*.trc\0";
        request.Flags = c.multiple ? OFN_ALLOWMULTISELECT | OFN_EXPLORER : 0;
        const BOOL chosen = GetOpenFileNameW(&request);
        brindle::host::SetUiDriver(previous);
        ASSERT_EQ(chosen != FALSE, !c.buffer.empty());
        ASSERT_EQ(driver.FileDialogs().size(), 1u);
        EXPECT_EQ(driver.FileDialogs()[0].filter, L"TRC (*.TRC)|*.trc");
        if (c.buffer.empty()) continue;
        // A leading empty folder (files at the root) would end the list at
        // once; no case here has one.
        EXPECT_EQ(Strings(buffer.data()), c.buffer);
        EXPECT_EQ(request.nFileOffset, c.offset);
    }
}

TEST(FileDialogTest, AnswerThatDoesNotFitIsNoAnswer) {
    ScriptedDriver driver;
    driver.Files({L"/a/very/long/folder/name/walk.trc"});
    auto* previous = brindle::host::SetUiDriver(&driver);
    wchar_t buffer[10] = {};
    OPENFILENAMEW request{};
    request.lpstrFile = buffer;
    request.nMaxFile = 10;
    EXPECT_FALSE(GetOpenFileNameW(&request));
    brindle::host::SetUiDriver(previous);
    EXPECT_EQ(brindle::host::TakeUiProblems().size(), 1u);
}

}  // namespace
