// What came of running one operation of a plug-in, and the one rule that
// says whether it succeeded: the plug-in's own record of how it ended, never
// the words of the messages it showed.
#pragma once

#include <string>
#include <vector>

#include "brindle/sdk/TextFileWriter.h"
#include "tovfileio/module/PluginReports.h"

// What a command asks of a plug-in, and where the plug-in keeps the record
// of how it ends: an import's or export's PluginOperations, the utility
// panel's MNM creator. Work with no record (the panel's other buttons, the
// About box) has no end to fail.
struct PluginOperation {
    enum class Kind {
        Import,       // DoImport: the options dialog, then the scene is built
        Export,       // DoExport: the options dialog, then the file is written
        Interactive,  // a person at the module's windows: the utility panel, the About box
    };
    Kind kind = Kind::Import;
    const OperationReport* record = nullptr;  // the plug-in's, alive while it is

    static PluginOperation Import(const PluginOperations* operations) {
        return {Kind::Import, operations != nullptr ? &operations->LastOperation() : nullptr};
    }
    static PluginOperation Export(const PluginOperations* operations) {
        return {Kind::Export, operations != nullptr ? &operations->LastOperation() : nullptr};
    }
    static PluginOperation Interactive(const OperationReport* record = nullptr) {
        return {Kind::Interactive, record};
    }
};

enum class PluginFailure {
    None,
    Failed,       // a message ended it, or the plug-in keeps no record and answered failure
    NotAccepted,  // the person did not confirm: a dialog cancelled or left unanswered
    NotWritten,   // a file the plug-in wrote could not be written whole
};

struct PluginRun {
    PluginOperation::Kind kind = PluginOperation::Kind::Import;
    int result = 0;           // what the operation returned (interactive: unused)
    bool recorded = false;    // the plug-in recorded how it ended
    OperationReport report;   // that record, as the operation left it
    std::vector<std::string> uiProblems;  // what nobody could do in the user interface, each once
    // Files the plug-in's writers could not write whole (an older file of
    // each name stays as it was); a plug-in may not say so itself.
    std::vector<TextFile::WriteFailure> writeFailures;

    // Why the operation did not succeed: as its record says (done,
    // cancelled, refused), or, without a record, failed when an import or
    // export answered anything but 1; and not written when a file could not
    // be written whole.
    PluginFailure Failure() const;
    bool Succeeded() const { return Failure() == PluginFailure::None; }
};

// The record of operations `plugin` offers the host, or null.
template <class Plugin>
PluginOperations* OperationsOf(Plugin& plugin) {
    return static_cast<PluginOperations*>(plugin.GetInterface(kPluginOperationsId));
}
