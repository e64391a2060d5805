// The one rule per kind of operation that says whether a plug-in's run
// succeeded, and which failure it names first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run/PluginRun.h"

namespace {

TEST(PluginRunTest, EachKindOfOperationHasItsOwnRule) {
    struct Case {
        const char* name;
        PluginOperation operation;
        int result;
        bool dialogShown;
        bool accepted;
        bool errorReported;
        std::vector<std::wstring> messages;
        PluginFailure failure;
    };
    using Op = PluginOperation;
    const Case cases[] = {
        {"import done", Op::Import(false), 1, true, true, false, {}, PluginFailure::None},
        // A file that cannot be read fails before the dialog opens.
        {"import failed", Op::Import(false), 0, false, false, true, {}, PluginFailure::Failed},
        {"import cancelled", Op::Import(false), 1, true, false, false, {},
         PluginFailure::NotAccepted},
        // The dialog refused what was typed, said why, and was cancelled.
        {"import refused by its dialog", Op::Import(false), 1, true, false, true, {},
         PluginFailure::NotAccepted},
        // The TRC importer reports a file it cannot read and answers 1: no
        // options were ever asked for.
        {"import reported an error, no dialog", Op::Import(false), 1, false, false, true, {},
         PluginFailure::Failed},
        {"import reported an error", Op::Import(false), 1, true, true, true, {},
         PluginFailure::Failed},
        {"import without prompts", Op::Import(true), 1, false, false, false, {},
         PluginFailure::None},
        {"export done", Op::Export(false), 1, true, true, false, {}, PluginFailure::None},
        // A bone with an object offset is reported, and the file is written.
        {"export wrote past an error", Op::Export(false), 1, true, true, true, {},
         PluginFailure::None},
        {"export failed", Op::Export(false), 0, true, true, true, {}, PluginFailure::Failed},
        {"export cancelled", Op::Export(false), 1, true, false, false, {},
         PluginFailure::NotAccepted},
        {"export without prompts", Op::Export(true), 1, false, false, false, {},
         PluginFailure::None},
        {"panel closed", Op::Interactive(), 0, false, false, true, {}, PluginFailure::None},
        {"confirmed", Op::Interactive(L"Done."), 0, false, false, false, {L"Sure?", L"Done."},
         PluginFailure::None},
        {"not confirmed", Op::Interactive(L"Done."), 0, false, false, false, {L"Sure?", L"Done"},
         PluginFailure::NotConfirmed},
    };
    for (const Case& c : cases) {
        PluginRun run;
        run.operation = c.operation;
        run.result = c.result;
        run.dialogShown = c.dialogShown;
        run.accepted = c.accepted;
        run.errorReported = c.errorReported;
        run.messages = c.messages;
        EXPECT_EQ(run.Failure(), c.failure) << c.name;
        EXPECT_EQ(run.Succeeded(), c.failure == PluginFailure::None) << c.name;
    }
}

}  // namespace
