// The cleaning options of `convert` and `view`: --fill-gaps, --max-gap,
// --filter, --range, --rename, --keep and --drop, turned into the
// conversion's cleaning steps in the order they were given.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/files/CommandIO.h"
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
    // The rename steps given an MNM map (--rename FILE.mnm): each step's
    // place among the steps and the map's file, read by ReadRenameMaps.
    std::vector<std::pair<std::size_t, std::string>> renameMaps;
};

// Declares the options on `command`, each taking its own values alone;
// `files` is its positional option, which a method-less --fill-gaps may
// have taken a file from.
void AddCleaningOptions(CLI::App& command, CLI::Option* files, CleaningOptions& options);

// Whether any cleaning option was given.
bool CleaningGiven(const CleaningOptions& options);

// The steps the options ask for, in the order given on `command`'s line,
// and `files` as given, a file taken by --fill-gaps (which takes a method
// only when one is named) put back in its place. A rename by an MNM map is
// a step without pairs until ReadRenameMaps reads them. The usage error, or
// empty.
std::string CleaningSteps(const CLI::App& command, CleaningOptions& options,
                          std::vector<tovfileio::CleaningStep>& steps, std::vector<std::string>& files);

// Gives the rename steps of MNM maps their pairs, a TRC name to its GWM code
// (a name the map gives twice keeps its first code); the markers a map does
// not name keep their names, and a map's names the take lacks are passed
// over. False, with the reason said, when a map does not open.
bool ReadRenameMaps(const CleaningOptions& options, std::vector<tovfileio::CleaningStep>& steps,
                    const CommandIO& io);
