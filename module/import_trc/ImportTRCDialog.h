// Dialog 120, "ImportTRC": the TRC importer's options, checked when OK is
// pressed and saved to the settings.
#pragma once

#include "brindle/sdk/BrindleWindows.h"
#include "import_trc/ImportTRCOptions.h"

// Runs the dialog modally over `owner` on `options`; 1 for OK, 0 for Cancel,
// -1 when the dialog could not run.
INT_PTR RunImportTRCDialog(HWND owner, ImportTRCOptions& options);
