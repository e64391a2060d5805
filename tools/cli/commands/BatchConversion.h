// tovfileio convert --batch --to FORMAT: many sources of any kind the
// libraries read, each written as OUTDIR/STEM.EXT by the same conversion as
// `convert SOURCE OUTDIR/STEM.EXT --to FORMAT`. Each source is said on
// standard error (its messages, then a line of how it went), in the order
// given, whatever --jobs runs side by side; a last line counts the files
// converted, refused, failed and skipped; --report FILE.jsonl writes a JSON
// line a source (BatchReport.h); --resume skips a source whose output is
// there and not older than it. The TRC to GWM batch of the utility panel,
// with its log, is GwmConversion.h's.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/commands/Commands.h"
#include "cli/commands/ConversionOutcome.h"
#include "tovfileio/text/FileKinds.h"

struct FormatBatch {
    std::vector<std::string> sources;  // as given
    std::string outputFolder;          // -o, made when missing
    tovfileio::FileKind to = tovfileio::FileKind::kUnknown;
    std::string report;                // --report; empty: none
    bool resume = false;               // --resume: an up-to-date output is kept
    unsigned jobs = 1;                 // --jobs: conversions at once
};

// Converts one source `in` into the file `out`, saying what it says on the
// io's standard error, with its exit status; `outcome` tells what stopped it
// and what the reader found.
using ConvertOneFile = std::function<int(const std::string& in, const std::string& out,
                                         const CommandIO& io, ConversionOutcome& outcome)>;

// Runs the batch; its exit status: 0 when no source was refused or failed,
// 1 when one was, 130 when Ctrl-C stopped it (after the files being
// written). Two sources of one output, or a source a batch would replace,
// are a usage error, said before anything is written.
int RunFormatBatch(const FormatBatch& batch, const ConvertOneFile& convert, CommandContext& context);

// OUTDIR/STEM.EXT: `source`'s name without its folder and extension, in
// `folder`, with the extension of `kind`.
std::string BatchOutputPath(const std::string& folder, const std::string& source,
                            tovfileio::FileKind kind);

// The help text's paragraph about a batch of any format.
extern const char kFormatBatchHelp[];
