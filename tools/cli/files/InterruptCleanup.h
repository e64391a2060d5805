// Temporary files that must not outlive an interrupted tovfileio. Paths are
// registered while they exist; on SIGINT, SIGTERM, SIGHUP or SIGPIPE the handler
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

// Makes a private folder from the mkdtemp `pattern` (ending in "XXXXXX")
// and registers it, with the signals held back in between, so that an
// interruption never finds it made but unknown. Returns the folder, or
// empty with errno set when it cannot be made; `slot` is for Unregister.
std::string MakeRegisteredFolder(std::string pattern, int& slot);

// "tovfileio-PID-XXXXXX" in TMPDIR, or in /tmp.
std::string TempFolderPattern();

// Removes the private temporary folders of runs that were killed before
// they could (SIGKILL), found by their process numbers. Called by main.
void RemoveLeftoversOfEndedRuns();

// While one lives, SIGINT, SIGTERM and SIGHUP do not end the process: the
// first one writes `notice` to standard error, and every one asks the
// running operation to stop at its next safe point (Requested turns true).
// Registered files are left alone then; the operation cleans up itself. A
// write waiting on a FIFO that no one reads, the program's or the
// module's, is given up (StopWaitingWhen), so no cancel waits for a reader.
class InterruptAsCancel {
public:
    explicit InterruptAsCancel(const char* notice);
    ~InterruptAsCancel();
    InterruptAsCancel(const InterruptAsCancel&) = delete;
    InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

    // Whether a signal asked to stop since the living InterruptAsCancel
    // began (false while none lives).
    static bool Requested();
};
