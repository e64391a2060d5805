// Where tovfileio finds the module it loads.
#pragma once

#include <string>

// $TOVFILEIO_MODULE when set; else TOVFileIO.dlu beside the program, in
// ../plugin (the build tree) or in ../lib/tovfileio (an installation);
// the first that exists.
std::string FindModule();
