// What the command line says of a repair: the changes grouped by line, and
// the fix a refusing command passes on, naming `repair` when it applies.
#pragma once

#include <string>
#include <vector>

#include "tovfileio/repair/Repair.h"
#include "tovfileio/text/FileKinds.h"

// One line a run of changes: the same words on consecutive lines are told
// once ("lines 7-10006: fields separated by commas; written with tabs"),
// in the order of their first line.
std::vector<std::string> GroupedChanges(const std::vector<tovfileio::RepairChange>& changes);

// What to add after a refusal of the file at `path` (read as `kind`) when
// the repair makes it read: "; `tovfileio repair IN OUT` repairs it (line 1:
// a blank after (X/Y/Z); written as a tab)". Empty when it does not, and
// with `clearsMisreads` also when the repaired file still loses or moves
// data (LosesOrMovesData).
std::string RepairHint(const std::string& path, tovfileio::FileKind kind,
                       bool clearsMisreads = false);

// For a command whose import was refused without the reason in its message:
// the reader's cause of the refusal with its fix ("line 1: ...: put a tab
// after (X/Y/Z)"), then RepairHint. Empty when the reader accepts the file.
std::string RefusalFix(const std::string& path, tovfileio::FileKind kind);
