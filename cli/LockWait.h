// How long a command waits for a document that another run is changing
// (a scene it will save, the settings file): one minute, or
// $TOVFILEIO_LOCK_WAIT seconds (a decimal number, 0 for not at all).
#pragma once

#include <chrono>
#include <optional>
#include <string>

// The wait; none, with `error` naming the variable and its value, when the
// variable is set to something other than a number of seconds.
std::optional<std::chrono::milliseconds> LockWait(std::string& error);
