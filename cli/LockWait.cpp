#include "cli/LockWait.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

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
