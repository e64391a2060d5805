// The waits of a writer whose target is a FIFO or a device: for a reader to
// open a FIFO, and for room in it while the reader lags. Each wait looks at
// the process's stop rule (StopWaitingWhen, TextWriter.h) as it goes, so a
// program can take it back: a person at Ctrl-C, say, when no one will read.
// Private to the text library.
#pragma once

#include <cstddef>

#include <sys/types.h>

namespace tovfileio {

// Opens the FIFO or device `path` to write, emptied. A FIFO is opened
// without blocking, again and again until a reader has it open, and stays
// non-blocking so that its writes wait in WriteWaiting. -1 with errno set
// when it cannot be opened, ECANCELED when the stop rule ended the wait.
int OpenStreamTarget(const char* path, bool fifo);

// write(2) of `data` to `fd`, waiting while a non-blocking `fd` takes no
// bytes (EAGAIN) and when a signal breaks the write off; -1 with errno set
// on failure, ECANCELED when the stop rule ended the wait.
ssize_t WriteWaiting(int fd, const char* data, std::size_t size);

}  // namespace tovfileio
