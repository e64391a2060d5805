// How long a command waits for a document that another run is changing
// (a scene it will save, the settings file): one minute, or
// $TOVFILEIO_LOCK_WAIT seconds (a decimal number, 0 for not at all).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "brindle/host/DocumentLock.h"
#include "cli/files/CommandIO.h"

// The wait; none, with `error` naming the variable and its value, when the
// variable is set to something other than a number of seconds.
std::optional<std::chrono::milliseconds> LockWait(std::string& error);

// Takes `lock` on `document` as a command does: waits as LockWait says,
// telling a person at a terminal once that it waits, and registers the
// lock file for removal on a signal (`slot`). False, with the reason said
// as "tovfileio COMMAND: ...", when the lock could not be had.
bool TakeDocumentLock(brindle::host::DocumentLock& lock, const std::string& document,
                      const CommandIO& io, const std::string& command, int& slot);
