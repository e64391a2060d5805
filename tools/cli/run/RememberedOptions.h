// The options the module's dialogs remember between runs, as the flags of
// the commands that run those dialogs. The module's plug-ins say which
// values are stored, under which names, what their defaults are and which
// control of the dialog shows each; the command line adds only which of its
// flags sets each control.
//
// The dialogs of import-htr, import-trc and export-htr load their section
// of the settings when they open and save it when OK accepts them, so a
// value chosen once starts every later dialog until it is chosen again.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include "brindle/sdk/ClassDesc.h"
#include "cli/files/CommandIO.h"
#include "cli/run/CommandLineDriver.h"
#include "tovfileio/module/PluginReports.h"

// One remembered value that differs from the module's default.
struct RememberedFlag {
    std::vector<std::string> args;   // as typed: {"--offset", "1000"}, {"--no-animate"}
    std::vector<std::string> flags;  // every flag that sets this value
};

// The commands whose dialogs remember their options, in the order of the
// command line's help.
const std::vector<std::string>& RememberingCommands();
// The plug-in class whose dialog `command` runs; whether it is an exporter.
Class_ID RememberingPlugin(const std::string& command, bool& exporter);

// The values `operations` says are stored for `command` that differ from
// the defaults, in the order the settings keep them.
std::vector<RememberedFlag> RememberedFlags(const std::string& command,
                                            const PluginOperations& operations);

// What the help of a command whose dialog remembers says about it: where
// the options live, how they carry over, how to see and forget them.
std::string RememberedHelp(const std::string& command);

// The flags of `remembered` as one line: "--offset 1000 --no-animate".
std::string FlagsText(const std::vector<RememberedFlag>& remembered);

// When `driver` sees the command's options dialog open (it has just loaded
// the remembered options), says once on standard error which remembered
// values differing from the defaults `parsed`, the command's parsed line,
// did not set: "tovfileio COMMAND: remembered from an earlier run: FLAGS
// (tovfileio options --reset COMMAND forgets them)". `operations` is the
// plug-in's, alive while the driver is. Returns those values, filled when
// the dialog opens, for a failure to name (RememberedInPlay).
std::shared_ptr<const std::vector<RememberedFlag>> SayRememberedWhenDialogOpens(
    CommandLineDriver& driver, const CLI::App& parsed, const PluginOperations* operations,
    const CommandIO& io);

// What a run that failed with remembered choices in play (--apply, --range,
// ...: the radio buttons of its dialog) says after its failure:
// "tovfileio COMMAND: the remembered FLAGS took part in this run (not given
// on its line): give the options you mean, or forget them with tovfileio
// options --reset COMMAND". Empty when none took part.
std::string RememberedInPlay(const std::string& command,
                             const std::vector<RememberedFlag>& remembered);
