// The class ids of the module's four plug-ins: how the host and every
// scene know each class. The descriptors answer them, and the command line
// asks the module for its plug-ins by them.
#pragma once

#include "brindle/sdk/ClassDesc.h"

constexpr Class_ID kImportHtrClassId(0x52871D2D, 0x79755925);
constexpr Class_ID kImportTrcClassId(0x36712537, 0x27265B43);
constexpr Class_ID kExportHtrClassId(0x79A30F94, 0x5AD43C07);
constexpr Class_ID kUtilitiesClassId(0x34CC2142, 0x1E45027A);
