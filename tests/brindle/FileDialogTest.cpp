// The headless open dialog's answer as the module reads it: the buffer of
// one full path, or of a folder and the names below it, and the offset of
// the first name; and what the choosers do with a name before the module
// sees it, as their flags promise.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ScriptedDriver.h"
#include "brindle/sdk/BrindleWindows.h"
#include "tovfileio/text/TextCodec.h"
#include "tests/support/TestFiles.h"

namespace {

using brindle::host::ScriptedDriver;

// What a chooser gave: the buffer's strings up to the empty one that ends
// them (none when nothing was chosen), and the offset of the first name.
struct Chosen {
    std::vector<std::wstring> strings;
    WORD offset = 0;
};

// Runs the open or save chooser on `request`, into a buffer of `size`
// characters, with `driver` answering.
Chosen Choose(ScriptedDriver& driver, OPENFILENAMEW request, bool save = false, std::size_t size = 1000) {
    std::vector<wchar_t> buffer(size, L'\x7F');
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(size);
    auto* previous = brindle::host::SetUiDriver(&driver);
    const BOOL chosen = save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request);
    brindle::host::SetUiDriver(previous);
    Chosen got{{}, request.nFileOffset};
    for (const wchar_t* at = buffer.data(); chosen && *at != L'\0'; at += got.strings.back().size() + 1) {
        got.strings.emplace_back(at);
    }
    return got;
}

TEST(FileDialogTest, AnswersAsTheModuleReadsThem) {
    struct Case {
        const char* name;
        bool multiple;
        std::vector<std::wstring> chosen;
        std::vector<std::wstring> buffer;  // empty: the dialog was cancelled
        WORD offset;
    };
    // Relative names come back from the root, as a real chooser gives them.
    const std::wstring here = tovtest::Wide(std::filesystem::current_path());
    const auto past = static_cast<WORD>(here.size() + 1);
    const Case cases[] = {
        {"one file, several allowed", true, {L"/data/walk.trc"}, {L"/data/walk.trc"}, 6},
        {"a bare name", false, {L"walk.trc"}, {here + L"/walk.trc"}, past},
        {"two folders", true, {L"/d/x/a.trc", L"/d/y/b.trc"}, {L"/d", L"x/a.trc", L"y/b.trc"}, 3},
        {"bare names", true, {L"a.trc", L"./sub/../sub/b.trc"}, {here, L"a.trc", L"sub/b.trc"}, past},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDriver driver;
        driver.Files(c.chosen);
        OPENFILENAMEW request{};
        request.lpstrFilter = L"TRC (*.TRC)\0*.trc\0";
        request.Flags = c.multiple ? OFN_ALLOWMULTISELECT | OFN_EXPLORER : 0;
        const Chosen got = Choose(driver, request);
        ASSERT_EQ(driver.FileDialogs().size(), 1u);
        EXPECT_EQ(driver.FileDialogs()[0].filter, L"TRC (*.TRC)|*.trc");
        // A leading empty folder (files at the root) would end the list at
        // once; no case here has one.
        EXPECT_EQ(got.strings, c.buffer);
        if (!c.buffer.empty()) {
            EXPECT_EQ(got.offset, c.offset);
        }
    }
    // An answer that does not fit the buffer is no answer, and is said.
    ScriptedDriver driver;
    driver.Files({L"/a/very/long/folder/name/walk.trc"});
    EXPECT_TRUE(Choose(driver, OPENFILENAMEW{}, false, 10).strings.empty());
    EXPECT_EQ(brindle::host::TakeUiProblems().size(), 1u);
}

// A file chooser's promises: the starting folder for a relative name, the
// default extension, a file that must exist, no file replaced without a
// yes, no folder taken as a file. A refused answer is said (a message box
// titled as the chooser) and the chooser asks again. The everyday answers
// (a name in the starting folder, a missing file, a replace declined) are
// played through the utility command's file choosers.
TEST(FileDialogTest, ChoosersKeepTheirFlagsPromises) {
    tovtest::ScratchDir dir;
    dir.Write("have.mnm", "x");
    dir.Write("plain", "x");
    std::filesystem::create_directory(dir.Path() / "sub");
    const std::wstring here = tovtest::Wide(dir.Path());
    struct Step {
        std::vector<std::wstring> files;
        int answer = 0;  // else a reply to a question
    };
    struct Case {
        const char* name;
        bool save;
        DWORD flags;
        std::wstring folder;  // the starting folder
        std::vector<Step> steps;
        std::vector<std::wstring> buffer;  // empty: cancelled
        std::size_t choosers;              // times the driver was asked
        std::wstring message;              // in the one message shown; empty: none
    };
    const DWORD must = OFN_FILEMUSTEXIST;
    const DWORD many = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST;
    const DWORD ask = OFN_OVERWRITEPROMPT;
    const Case cases[] = {
        {"a starting folder not here", false, 0, L"C:\\", {{{L"x.mnm"}}},
         {tovtest::Wide(std::filesystem::current_path() / "x.mnm")}, 1, L""},
        {"open: extension for a name that is no file", false, must, here, {{{L"have"}}},
         {here + L"/have.mnm"}, 1, L""},
        {"save: replace agreed", true, ask, here, {{{L"have"}}, {{}, IDYES}},
         {here + L"/have.mnm"}, 1, here + L"/have.mnm already exists. Replace it?"},
        {"a folder", true, ask, here, {{{L"sub"}}, {{L"sub/new"}}}, {here + L"/sub/new.mnm"}, 2,
         L"sub is a folder"},
        {"several, one missing", false, many, here,
         {{{L"have.mnm", L"nope"}}, {{L"have.mnm", L"plain"}}}, {here, L"have.mnm", L"plain"}, 2,
         L"/nope.mnm: no such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDriver driver;
        for (const Step& step : c.steps) {
            if (step.answer != 0) {
                driver.Answer(step.answer);
            } else {
                driver.Files(step.files);
            }
        }
        OPENFILENAMEW request{};
        request.lpstrTitle = L"Choose";
        request.lpstrDefExt = L"mnm";
        request.lpstrInitialDir = c.folder.c_str();
        request.Flags = c.flags;
        const Chosen got = Choose(driver, request, c.save);
        brindle::host::TakeUiProblems();
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(driver.FileDialogs().size(), c.choosers);
        ASSERT_EQ(driver.MessageBoxes().size(), c.message.empty() ? 0u : 1u);
        if (!c.message.empty()) {
            EXPECT_NE(driver.MessageBoxes()[0].text.find(c.message), std::wstring::npos)
                << tovfileio::EncodeUtf8(driver.MessageBoxes()[0].text);
            EXPECT_EQ(driver.MessageBoxes()[0].caption, L"Choose");
        }
        EXPECT_EQ(got.strings, c.buffer);
    }
}

}  // namespace
