#include "cli/run/LockWait.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include <unistd.h>

#include "cli/files/InterruptCleanup.h"

std::optional<std::chrono::milliseconds> LockWait(std::string& error) {
    const char* text = std::getenv("TOVFILEIO_LOCK_WAIT");
    if (text == nullptr || *text == '\0') return std::chrono::milliseconds(60000);
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text, &end);
    // A day at most: beyond it the number is a mistake, not a wait.
    if (errno != 0 || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 86400) {
        error = std::string("TOVFILEIO_LOCK_WAIT=") + text + ": not a number of seconds";
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<long long>(std::llround(seconds * 1000)));
}

bool TakeDocumentLock(brindle::host::DocumentLock& lock, const std::string& document,
                      const CommandIO& io, const std::string& command, int& slot) {
    const auto say = [&](const std::string& what) { io.Err("tovfileio " + command + ": " + what + "\n"); };
    std::string error;
    const auto wait = LockWait(error);
    if (!wait) {
        say(error);
        return false;
    }
    // Said only to a person watching: in a script, the wait is no news.
    const bool terminal = ::isatty(::fileno(io.err)) == 1;
    const auto waiting = [&] {
        if (terminal) say("waiting for " + document + ", which another run is changing");
    };
    switch (lock.Acquire(document, *wait, waiting, error)) {
        case brindle::host::DocumentLock::Outcome::Held:
            slot = RegisterForCleanup(lock.LockFile());
            return true;
        case brindle::host::DocumentLock::Outcome::TimedOut:
            say(document + " is being changed by another run; try again when it has finished");
            return false;
        case brindle::host::DocumentLock::Outcome::Failed:
            break;
    }
    say(error);
    return false;
}
