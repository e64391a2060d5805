// A reader's findings in words: one sentence each, the same wherever a
// finding is told (the command line, a log, a program of one's own). Text
// from the file is quoted and its control characters shown (Phrases.h).
#pragma once

#include <string>
#include <vector>

#include "tovfileio/text/ReadFinding.h"

namespace tovfileio {

// The finding as one sentence: where needed its line, what was found, what
// it does to the read and, where the fix is clear, the fix. Empty for a
// finding that lacks the detail its code carries.
std::string FindingText(const ReadFinding& finding);

// The sentence for a caller that names the finding's place itself ("line 7,
// column 3: ..."): FindingText without the "line N: " some sentences start
// with.
std::string FindingTextWithoutLine(const ReadFinding& finding);

// What to add to the reader's message when `finding` refused the file: the
// place and the sentence ("line N: ..."; the sentence alone for the file as
// a whole), or for a file that could not be opened the system's reason.
// Empty when memory ran out, which the message says already.
std::string RefusalCause(const ReadFinding& finding);

// The word for what a finding does to the read: "refusal", "shift",
// "misread" or "note".
const char* EffectName(ReadFinding::Effect effect);

// The code as one word, as reports and the Python module name it
// ("TRC_NAN_DROPOUTS"); null for a number that is no code.
const char* FindingCodeName(ReadFindingCode code);

// Every code, in the order ReadFindingCode lists them.
const std::vector<ReadFindingCode>& FindingCodes();

}  // namespace tovfileio
