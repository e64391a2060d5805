// tovfileio convert --batch: many TRC files to GWM through the module's
// batch conversion, as the utility panel runs it with "Batch File
// Conversion" on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "utility/ConvertGWMSettings.h"

struct BatchConversion {
    std::vector<std::string> sources;  // as given, in order
    std::string outputFolder;          // -o
    std::string mnm;                   // empty: no map
    ConvertGWMSettings settings;       // Filter, Offset, TRCSpace and the offsets
    std::optional<std::uint64_t> maxOutput;
};

// Checks what the module would stop at without a word, runs the batch and
// tells how it ended. The exit status is 0 when every file taken was
// converted.
int RunBatchConversion(const BatchConversion& batch, CommandContext& context);
