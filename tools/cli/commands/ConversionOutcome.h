// What one conversion tells a caller beyond its messages and exit status:
// whether it failed for want of reading or writing a file (anything else
// that stops it is a refusal: the reader refused the input, or the output
// format cannot hold it), and what the reader found in the input. A batch
// reports each of its sources from it.
#pragma once

#include <vector>

#include "tovfileio/text/ReadFinding.h"

struct ConversionOutcome {
    // A file could not be opened, read whole or written whole.
    bool failed = false;
    // The reader's findings, in the order it made them.
    std::vector<tovfileio::ReadFinding> findings;
};

// Whether the reader stopped because it could not open the file or hold it
// in memory: a failure, not a refusal of what the file holds.
inline bool CouldNotRead(const std::vector<tovfileio::ReadFinding>& findings) {
    for (const tovfileio::ReadFinding& finding : findings) {
        if (finding.effect == tovfileio::ReadFinding::Effect::kRefusal) {
            return finding.code == tovfileio::ReadFindingCode::kCannotOpen ||
                   finding.code == tovfileio::ReadFindingCode::kOutOfMemory;
        }
    }
    return false;
}
