#include "StreamWaits.h"

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "tovfileio/text/TextWriter.h"

namespace tovfileio {
namespace {

// How long a writer waits before it looks at the stop rule again: the
// longest a stop waits to be seen, and how late a reader that comes to a
// waiting FIFO is noticed.
constexpr int kLookMilliseconds = 50;

std::atomic<bool (*)()> gStop{nullptr};

bool StopAsked() {
    bool (*const stop)() = gStop.load();
    return stop != nullptr && stop();
}

bool Stopped() {
    if (!StopAsked()) return false;
    errno = ECANCELED;
    return true;
}

// Waits a while, or until `fd` (when not -1) takes bytes; false, with errno
// ECANCELED, when the stop rule asks the writer to give up.
bool WaitAWhile(int fd) {
    if (Stopped()) return false;
    pollfd wanted{fd, POLLOUT, 0};
    // A signal or the time running out only brings the next look sooner.
    static_cast<void>(::poll(fd >= 0 ? &wanted : nullptr, fd >= 0 ? 1 : 0, kLookMilliseconds));
    return !Stopped();
}

}  // namespace

void StopWaitingWhen(bool (*stop)()) { gStop.store(stop); }

int OpenStreamTarget(const char* path, bool fifo) {
    const int flags = O_WRONLY | O_TRUNC | O_CLOEXEC | (fifo ? O_NONBLOCK : 0);
    for (;;) {
        const int fd = ::open(path, flags);
        if (fd >= 0) return fd;
        if (errno == EINTR) {
            // A device whose open waits, broken off by a signal, which may
            // have asked for a stop.
            if (Stopped()) return -1;
        } else if (!fifo || errno != ENXIO || !WaitAWhile(-1)) {
            // ENXIO is a FIFO that no one reads yet.
            return -1;
        }
    }
}

ssize_t WriteWaiting(int fd, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n >= 0 || (errno != EAGAIN && errno != EINTR)) return n;
        // A plain file is finished whatever a signal asked; only a FIFO
        // that takes no bytes is given up.
        if (errno == EAGAIN && !WaitAWhile(fd)) return -1;
    }
}

}  // namespace tovfileio
