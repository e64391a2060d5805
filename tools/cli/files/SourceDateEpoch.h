// SOURCE_DATE_EPOCH, which fixes the "$DateTime" line of the GWM files the
// module writes (for files that are the same from run to run). The GWM
// library reads it (ReadSourceDateEpoch) and dates output now when it is
// not usable; the command line refuses such a value first, for every
// command that may write a GWM file.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

// True when SOURCE_DATE_EPOCH is unset, empty, or whole seconds since 1970
// up to the end of year 9999 (the last a GWM date line can show); else
// false with `problem` saying so.
bool SourceDateEpochUsable(std::string& problem);

// Makes `command` refuse an unusable SOURCE_DATE_EPOCH as a wrong command
// line once its arguments are parsed, before it runs.
void RequireUsableSourceDateEpoch(CLI::App& command);
