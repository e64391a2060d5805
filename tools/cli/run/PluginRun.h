// What came of running one operation of a plug-in, and the one rule per
// kind of operation that says whether it succeeded.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "brindle/sdk/TextFileWriter.h"

// What a command asks of a plug-in.
struct PluginOperation {
    enum class Kind {
        Import,       // DoImport: the options dialog, then the scene is built
        Export,       // DoExport: the options dialog, then the file is written
        Interactive,  // a person at the module's windows: the utility panel, the About box
    };
    Kind kind = Kind::Import;
    // Import, export: with the remembered options, without the dialog.
    bool promptsSuppressed = false;
    // Interactive: the message by which the module says the work was done;
    // empty when the work has no such end.
    std::wstring confirmation;

    static PluginOperation Import(bool promptsSuppressed) {
        return {Kind::Import, promptsSuppressed, {}};
    }
    static PluginOperation Export(bool promptsSuppressed) {
        return {Kind::Export, promptsSuppressed, {}};
    }
    static PluginOperation Interactive(std::wstring confirmation = {}) {
        return {Kind::Interactive, false, std::move(confirmation)};
    }
};

enum class PluginFailure {
    None,
    Failed,        // the plug-in said so: by its result, or by an error message
    NotAccepted,   // the options dialog did not end with OK
    NotConfirmed,  // the module never showed the confirmation asked for
    NotWritten,    // a file the plug-in wrote could not be written whole
};

struct PluginRun {
    PluginOperation operation;
    int result = 0;              // what the operation returned (interactive: unused)
    bool dialogShown = false;    // a modal dialog opened
    bool accepted = false;       // the last modal dialog ended with OK
    bool errorReported = false;  // a message whose caption ends in "Error" was shown
    std::vector<std::wstring> messages;   // the texts of the messages shown, in order
    std::vector<std::string> uiProblems;  // what nobody could do in the user interface, each once
    // Files the plug-in's writers could not write whole (an older file of
    // each name stays as it was); a plug-in may not say so itself.
    std::vector<TextFile::WriteFailure> writeFailures;

    // Why the operation did not succeed, in the order the checks are made:
    // import and export fail on a result other than 1, then (unless prompts
    // were suppressed) on a dialog that was shown and not accepted, or on no
    // dialog at all, when the plug-in stopped before it; an import fails on
    // an error message as well. Interactive work fails when the confirmation
    // asked for was not shown. Any of them fails when a file could not be
    // written.
    PluginFailure Failure() const;
    bool Succeeded() const { return Failure() == PluginFailure::None; }

private:
    PluginFailure OperationFailure() const;
};
