// What every conversion of the command line asks of the libraries first:
// this input file, read as its kind, into that file.
#pragma once

#include <string>

#include "cli/files/InputFile.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/text/FileKinds.h"

// The conversion of `input` into the file at `out` (as the system names it)
// of kind `outKind`; units, axes, names and findings are the caller's.
tovfileio::ConversionRequest InputConversion(const InputFile& input, const std::string& out,
                                             tovfileio::FileKind outKind);
