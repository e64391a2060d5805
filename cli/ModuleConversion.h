// The module's own TRC-to-GWM conversion run from the command line: the
// utility panel's "Convert TRC to GWM" pressed with settings given for this
// run only (they are never saved) and the open dialog answered with the
// sources. For `convert --batch` and any command that wants the module's
// conversion rather than a copy of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/CommandIO.h"

struct ModuleConversion {
    std::vector<std::string> sources;  // chosen in the open dialog, in order
    std::string outputFolder;          // OutputPath: batch output and log
    std::optional<std::string> mnm;    // none: every marker keeps its TRC name
    bool filter = true;                // with a map: rename and filter by it
    bool batch = true;
    bool offset = false;
    bool trcSpace = true;
    float offsetX = 0.0f, offsetY = 0.0f, offsetZ = 0.0f;
};

// Runs the conversion; true when the run converted every source it took
// (at most 1000 in batch mode). Problems of the run go to `io.err` as
// "tovfileio COMMAND: ...".
bool RunModuleConversion(const ModuleConversion& run, const CommandIO& io,
                         const std::string& command);
