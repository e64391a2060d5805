// `convert IN OUT` between formats through the libraries' conversion core
// (tovfileio/convert): what the command line adds around it is the output's
// place, the size limit, progress, the reader's findings as warnings and
// what the conversion turned, said on standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands/ConversionOutcome.h"
#include "cli/files/CommandIO.h"
#include "cli/files/InputFile.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/text/FileKinds.h"

struct TakeConversionOptions {
    std::optional<tovfileio::CalibrationUnits> units;
    std::optional<tovfileio::CalibrationUnits> inUnits;  // of a file that states none
    std::optional<tovfileio::UpAxis> up;
    std::optional<std::uint64_t> maxOutput;
    bool strict = false;
    tovfileio::FrameChoice frames = tovfileio::FrameChoice::kHeld;
    bool acceptMisread = false;
    // A GWM output's offset and marker-name map (none: every marker).
    tovfileio::ConvertGWMSettings gwm;
    const tovfileio::MarkerNameMap* map = nullptr;
    // A marker take's cleaning, step by step.
    std::vector<tovfileio::CleaningStep> cleaning;
    // What of a C3D file a CSV file gets, and whether plates are zeroed.
    tovfileio::C3dContent content = tovfileio::C3dContent::kMarkers;
    bool zeroPlates = false;
    // Told whether the conversion failed and what the reader found; none:
    // the messages say it all.
    ConversionOutcome* outcome = nullptr;
};

// Converts `input` (named `in` by the user) into `out` as a file of
// `outKind`; an exit status.
int ConvertTake(const CommandIO& io, const std::string& in, const InputFile& input,
                tovfileio::FileKind outKind, const std::string& out,
                const TakeConversionOptions& options);

