// What tovfileio says about arguments a command does not take: the
// arguments in the order they were typed, and for an option it does not
// know, the nearest one it does.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

// The known option of `command` nearest to `typed` ("--scal-factor" ->
// "--scale-factor"): within two edits, or the only one `typed` begins;
// empty when none is near.
std::string NearestOption(const CLI::App& command, const std::string& typed);

// The command of `app` nearest to `typed` ("conver" -> "convert"), by the
// same rule; empty when none is near.
std::string NearestCommand(const CLI::App& app, const std::string& typed);

// After parsing `app` failed on arguments left over: "The following
// arguments were not expected: A B" in the order typed, then "(did you
// mean --NAME?)" when an unknown option has a near one, or "(did you mean
// --X for A, --Y for B?)" for several. Empty when no parsed command has
// arguments left over.
std::string UnexpectedArguments(const CLI::App& app);
