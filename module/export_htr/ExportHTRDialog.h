// Dialog 126, "ExportHTR": the HTR exporter's options, checked when OK is
// pressed and saved to the settings.
#pragma once

#include "brindle/sdk/BrindleWindows.h"
#include "export_htr/ExportHTROptions.h"

// Runs the dialog modally over `owner` on `options`; 1 for OK, 0 for Cancel,
// -1 when the dialog could not run.
INT_PTR RunExportHTRDialog(HWND owner, ExportHTROptions& options);
