// The cleaning options of `convert`: --fill-gaps, --max-gap, --filter,
// --range, --rename, --keep and --drop, turned into the conversion's
// cleaning steps in the order they were given.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tovfileio/clean/Cleaning.h"

struct CleaningOptions {
    CLI::Option* fillGaps = nullptr;
    CLI::Option* filter = nullptr;
    CLI::Option* range = nullptr;
    CLI::Option* rename = nullptr;
    CLI::Option* keep = nullptr;
    CLI::Option* drop = nullptr;
    CLI::Option* files = nullptr;  // the command's positional files
    std::vector<std::string> fillGapsText, filterText, rangeText, renameText, keepText, dropText;
    std::string maxGapText;
};

// Declares the options on `command`; `files` is its positional option,
// which a method-less --fill-gaps may have taken a file from.
void AddCleaningOptions(CLI::App& command, CLI::Option* files, CleaningOptions& options);

// Whether any cleaning option was given.
bool CleaningGiven(const CleaningOptions& options);

// The steps the options ask for, in the order given on `command`'s line,
// and `files` as given, a file taken by --fill-gaps (which takes a method
// only when one is named) put back in its place. The usage error, or empty.
std::string CleaningSteps(const CLI::App& command, CleaningOptions& options,
                          std::vector<tovfileio::CleaningStep>& steps, std::vector<std::string>& files);
