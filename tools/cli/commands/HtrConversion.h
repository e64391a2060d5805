// `convert IN OUT` from HTR to HTR: the module's own conversion, run through
// the conversion core. The skeleton is read whole; its warnings are said,
// then --strict, the output's place and its size limit decide whether it is
// written; a header that claims more frames than the file holds is padded
// with rest frames, or refused when that padding is out of proportion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/commands/ConversionOutcome.h"
#include "cli/files/CommandIO.h"
#include "cli/files/InputFile.h"
#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/htr/HTRFile.h"

struct HtrConversionOptions {
    std::string in;   // IN as the user named it
    std::string out;  // OUT as given
    std::optional<tovfileio::CalibrationUnits> units;
    std::optional<tovfileio::RotationUnits> rotationUnits;
    // --frames: header (true) or held (false); none: the header's count,
    // refused out of proportion.
    std::optional<bool> headerFrames;
    std::optional<std::uint64_t> maxOutput;
    bool strict = false;
    ConversionOutcome* outcome = nullptr;  // told how it went, when asked
};

// Converts `input` into the HTR file options.out; an exit status.
int ConvertHtrToHtr(const CommandIO& io, const InputFile& input, const HtrConversionOptions& options);
