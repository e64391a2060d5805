// Where tovfileio finds the module it loads.
#pragma once

#include <memory>
#include <string>

#include "brindle/host/PluginModule.h"
#include "cli/files/CommandIO.h"

// $TOVFILEIO_MODULE when set; else TOVFileIO.dlu beside the program, in
// ../../module/plugin (the build tree) or in ../lib/tovfileio (an installation);
// the first that exists.
std::string FindModule();

// Loads the module FindModule names; null, with the reason reported as
// "PATH: REASON", when it cannot be loaded.
std::unique_ptr<brindle::host::PluginModule> LoadModule(const CommandIO& io);
