// Temporary files that must not outlive an interrupted tovfileio. Paths are
// registered while they exist; on SIGINT, SIGTERM or SIGHUP the handler
// removes them and the process ends by the same signal, so the shell sees
// the usual status (128 + the signal number).
#pragma once

#include <string>

// Installs the handlers, for signals that are not ignored (a command run
// under nohup keeps ignoring SIGHUP). Called once by main.
void InstallInterruptCleanup();

// Registers `path` for removal on interruption (`folder`: with rmdir);
// returns a slot for Unregister, or -1 when every slot is taken.
int RegisterForCleanup(const std::string& path, bool folder = false);
void UnregisterFromCleanup(int slot);
