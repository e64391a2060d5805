#include "ui/LineInput.h"

#include <cerrno>

#include <poll.h>

namespace brindle::host {
namespace {

// How long one wait lasts before it looks for a cancel again: a signal that
// came just before the wait began is seen this late at most.
constexpr int kWaitMilliseconds = 100;

bool Asked(const CancelAsked& cancelAsked) { return cancelAsked && cancelAsked(); }

}  // namespace

bool WaitForInput(int fd, const CancelAsked& cancelAsked) {
    pollfd wanted{fd, POLLIN, 0};
    for (;;) {
        if (Asked(cancelAsked)) return false;
        const int ready = ::poll(&wanted, 1, kWaitMilliseconds);
        // An error is for the read to find.
        if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
    }
}

void PrepareLineInput(std::FILE* in) {
    if (in != nullptr && ::fileno(in) >= 0) std::setvbuf(in, nullptr, _IONBF, 0);
}

LineRead ReadInputLine(std::FILE* in, std::string& line, const CancelAsked& cancelAsked) {
    line.clear();
    const int fd = ::fileno(in);
    for (;;) {
        if (Asked(cancelAsked)) return LineRead::kCancelled;
        if (fd >= 0 && !WaitForInput(fd, cancelAsked)) return LineRead::kCancelled;
        errno = 0;
        const int c = std::fgetc(in);
        if (c == EOF) {
            if (std::ferror(in) != 0 && errno == EINTR) {
                std::clearerr(in);
                continue;
            }
            return line.empty() ? LineRead::kEnd : LineRead::kLine;
        }
        if (c == '\n') return LineRead::kLine;
        line += static_cast<char>(c);
    }
}

}  // namespace brindle::host
