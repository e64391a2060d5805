// tovfileio info --diagnose: a verdict on how a file reads, with every
// finding of its reader by line and column.
#pragma once

#include <string>
#include <vector>

#include "tovfileio/text/ReadFinding.h"

struct Diagnosis {
    enum class Verdict { AsWritten, ReadsBut, Refused };
    Verdict verdict = Verdict::AsWritten;
    std::string message;                          // why the file is refused
    tovfileio::ReadFinding cause;                 // the refusal behind the message, if any
    bool hasCause = false;
    std::vector<tovfileio::ReadFinding> findings;  // the weightiest first, then in file order
};

// The diagnosis of a file its reader accepted (`message` empty) or refused,
// from the reader's findings (read on after the first refusal).
Diagnosis Diagnose(std::vector<tovfileio::ReadFinding> findings, const std::string& message);

// "reads as written", "reads, but: TEXT", "refused: MESSAGE".
std::string VerdictLine(const Diagnosis& diagnosis);

// "FILE: VERDICT" and one indented line per finding.
std::string DiagnosisText(const std::string& file, const Diagnosis& diagnosis);
// One JSON object on one line.
std::string DiagnosisJson(const std::string& file, const Diagnosis& diagnosis);
