// The module's own TRC-to-GWM conversion run from the command line: the
// utility panel's "Convert TRC to GWM" pressed with settings given for this
// run only (they are never saved), the open dialog answered with the
// sources and, for one file, the save dialog with its target. `convert`
// runs every TRC-to-GWM conversion through it, so the command line and the
// panel write the same files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandIO.h"
#include "utility/ConvertGWMSettings.h"

struct ModuleConversion {
    std::vector<std::string> sources;  // chosen in the open dialog, in order
    std::string outputFolder;          // batch: OutputPath, for the files and the log
    std::string target;                // one file: the answer to the save dialog
    std::optional<std::string> mnm;    // none: every marker keeps its TRC name
    // Batch, Filter (with a map), TRCSpace, Offset and the offsets; the paths
    // come from the fields above, and a batch names its files after the
    // sources while one file goes to `target`.
    ConvertGWMSettings settings;
    // Ctrl-C asks the host to cancel: the run stops before the next file.
    bool interruptCancels = false;
};

// What the run did, as the host saw it.
struct ModuleConversionResult {
    bool ran = false;         // the module was loaded and its panel opened
    bool converted = false;   // the run returned true: every file taken was written
    bool cancelled = false;   // stopped by the host's cancel
    bool reported = false;    // the module showed a message (printed on standard error)
    std::size_t taken = 0;    // files the run took (a batch takes at most 1000)
    std::size_t written = 0;  // GWM files written
    std::size_t logMessages = 0;
    int writeError = 0;           // not converted: the system's reason, if a write failed  // batch: lines of the log that are not "file: ... done."
};

// The most files one batch run takes.
constexpr std::size_t kMaxBatchSources = 1000;

// Runs the conversion. Messages of the module and problems of the run go to
// `io.err`, as "CAPTION: TEXT" and "tovfileio COMMAND: ..."; a progress bar
// shows on standard error when it is a terminal. The batch log shows the
// source paths as given.
ModuleConversionResult RunModuleConversion(const ModuleConversion& run, const CommandIO& io,
                                           const std::string& command);
