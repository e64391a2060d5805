// The report of a batch conversion (--report FILE.jsonl): one JSON object a
// line per source, in the order the sources were given, so that a script or
// a data-frame library reads it a line at a time:
//
//   {"source": "in/a.trc", "output": "out/a.c3d", "status": "converted",
//    "findings": [{"code": "TRC_NAN_DROPOUTS", "text": "..."}],
//    "bytes": 81911, "output_bytes": 120320, "seconds": 0.0131}
//
// "status" is converted, refused (the reader refused the source, or the
// output format cannot hold it), failed (a file could not be read or
// written) or skipped (its output was up to date). "findings" are those
// `convert IN OUT` tells: the reader's warnings and its refusal, coded as
// the Python module's FindingCode names them. "output_bytes" is null when
// this run wrote no output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tovfileio/text/ReadFinding.h"

enum class BatchStatus { kConverted, kRefused, kFailed, kSkipped };

struct BatchFileReport {
    std::string source;
    std::string output;
    BatchStatus status = BatchStatus::kFailed;
    std::vector<tovfileio::ReadFinding> findings;
    std::uint64_t bytes = 0;
    std::optional<std::uint64_t> outputBytes;
    double seconds = 0;
};

// "converted", "refused", "failed" or "skipped".
const char* BatchStatusWord(BatchStatus status);

// The report's line for one source, with its line end.
std::string BatchReportLine(const BatchFileReport& file);
