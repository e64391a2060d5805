// tovfileio info --diagnose: a verdict on how a file reads, with every
// finding of the second pass over its lines (FileChecks) by line and column.
// The readers are not changed: the diagnosis only explains what they do.
#pragma once

#include <string>
#include <vector>

#include "cli/FileChecks.h"

struct Diagnosis {
    enum class Verdict { AsWritten, ReadsBut, Refused };
    Verdict verdict = Verdict::AsWritten;
    std::string message;            // the reader's message when it refused the file
    std::vector<Finding> findings;  // the weightiest first, then in file order
};

// The diagnosis of a file the reader accepted (`message` empty) or refused,
// from the findings of FindHtrProblems, FindTrcProblems or LocateReadFailure.
Diagnosis Diagnose(std::vector<Finding> findings, const std::string& message);

// "reads as written", "reads, but: TEXT", "refused: MESSAGE".
std::string VerdictLine(const Diagnosis& diagnosis);

// "FILE: VERDICT" and one indented line per finding.
std::string DiagnosisText(const std::string& file, const Diagnosis& diagnosis);
// One JSON object on one line.
std::string DiagnosisJson(const std::string& file, const Diagnosis& diagnosis);
