// A verdict on how a file reads, from every finding of its reader: reads as
// written, reads but departs from what the file means, or refused; with the
// findings the weightiest first and each worded by the library, by line
// and column.
#pragma once

#include <string>
#include <vector>

#include "tovfileio/text/ReadFinding.h"

namespace tovfileio {

struct Diagnosis {
    enum class Verdict { AsWritten, ReadsBut, Refused };
    Verdict verdict = Verdict::AsWritten;
    std::string message;   // why the file is refused (UTF-8)
    ReadFinding cause;     // the refusal behind the message, if any
    bool hasCause = false;
    std::vector<ReadFinding> findings;  // the weightiest first, then in file order
};

// The diagnosis of a file its reader accepted (`message` empty) or refused,
// from the reader's findings (read on after the first refusal).
Diagnosis Diagnose(std::vector<ReadFinding> findings, const std::string& message);

// "reads as written", "reads, but", "refused".
const char* VerdictName(Diagnosis::Verdict verdict);
// "reads as written", "reads, but: TEXT", "refused: MESSAGE".
std::string VerdictLine(const Diagnosis& diagnosis);
// Where a finding is: "line 7, column 3", "line 7", or "the file".
std::string FindingPlace(const ReadFinding& finding);
// "FILE: VERDICT" and one indented line per finding:
// "  line 7, column 3, "NaN": TEXT [misread]".
std::string DiagnosisText(const std::string& file, const Diagnosis& diagnosis);

}  // namespace tovfileio
