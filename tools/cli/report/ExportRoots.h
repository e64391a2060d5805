// What export-htr says when the selection gave the exporter no root: the
// exporter's record names the top-level nodes that would give one when
// selected, and the command line puts them in a hint.
#pragma once

#include <string>

#include "tovfileio/module/PluginReports.h"

// Empty unless the export was refused for want of a root; else what to
// select instead: "nothing is selected; select one of: walk, take2
// (--select NAME)", or that the scene holds no bone to export.
std::string ExportRootHint(const OperationReport& report);
