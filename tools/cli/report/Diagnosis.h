// tovfileio info --diagnose --json: the libraries' verdict on how a file
// reads (tovfileio/text/Diagnosis.h) as one JSON object on one line.
#pragma once

#include <string>

#include "tovfileio/text/Diagnosis.h"

using tovfileio::Diagnose;
using tovfileio::Diagnosis;
using tovfileio::DiagnosisText;

std::string DiagnosisJson(const std::string& file, const Diagnosis& diagnosis);
