// What the command line adds when the module's importer refused a file for
// a reason its message does not name: "The file could not be opened" with
// neither the path nor why, or a complaint about the dialog's frame range
// when the file holds no frames. The importer's record of the import says
// which file it opened and what that file holds.
#pragma once

#include <string>

#include "cli/files/InputFile.h"
#include "tovfileio/module/PluginReports.h"

// "PATH: the file could not be opened (REASON)", naming the file the
// importer tried when it is not PATH, and which command imports a file of
// the other format; or "PATH: the file holds no frames" (or a header that
// gives none), so there is nothing to import. Empty when the file opened
// and holds frames: the importer's message then says enough. `format` is
// what the importer reads.
std::string ImportRefusalCause(const OperationReport& report, const std::string& path,
                               tovfileio::FileKind format);
