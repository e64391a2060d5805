// What the cleaning steps of a conversion did, in words for standard error:
// each gap filled (marker, frames, method), what stayed unfilled, and what
// each filter left as it was.
#pragma once

#include <string>
#include <vector>

#include "tovfileio/clean/Cleaning.h"

std::vector<std::string> CleaningLines(const tovfileio::CleaningReport& report);
