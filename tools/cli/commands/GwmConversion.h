// tovfileio convert from TRC to GWM: the module's conversion core run for
// one file or a batch, with what a command-line user needs around it: a
// source's problems named on standard error with their context, warnings
// and --strict, the padding and output limits, Ctrl-C as the cancel between
// files of a batch, a progress bar, and exit statuses scripts can trust.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands/Commands.h"
#include "cli/commands/ConversionOutcome.h"
#include "cli/files/InputFile.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"
#include "tovfileio/gwm/MarkerNameMap.h"

struct GwmCommand {
    std::vector<std::string> sources;  // batch: the sources as given
    std::string outputFolder;          // batch: -o, made when missing
    std::string mnm;                   // empty: no map
    tovfileio::ConvertGWMSettings settings;       // Filter, Offset, TRCSpace and the offsets
    bool strict = false;               // a file with warnings is not written
    bool padAnyway = false;            // --frames header: pad whatever the proportion
    std::optional<std::uint64_t> maxOutput;
    unsigned jobs = 1;                 // batch: files converted at once
    ConversionOutcome* outcome = nullptr;  // single file: told how it went, when asked
};

// Converts the sources into OUTDIR/NAME.gwm with OUTDIR/ConvertGWMLog.txt.
// A source that cannot be read gets no GWM file and makes the status 1, the
// others are still converted; a file that cannot be written stops the batch.
int RunGwmBatch(const GwmCommand& command, CommandContext& context);

// Makes the output folder of a batch (with its parents) when missing;
// false, with the reason said, when it is no folder or cannot be written in.
bool OutputFolderReady(const std::string& folder, const CommandIO& io);

// The map of --mnm into `map` (none: an empty map); false, with the reason
// said, when it does not open (a conversion would stop without a word).
bool LoadMarkerNameMap(const std::string& mnm, tovfileio::MarkerNameMap& map, const CommandIO& io);

// Converts `input` (named `in` by the user) into the GWM file `out`.
int RunGwmSingle(const GwmCommand& command, const InputFile& input, const std::string& in,
                 const std::string& out, CommandContext& context);
