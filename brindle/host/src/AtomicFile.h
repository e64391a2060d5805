// Replacing a file so that a reader, or a crash, sees the old file whole or
// the new one whole, never a mixture.
#pragma once

#include <string>
#include <string_view>

namespace brindle::host {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, through the host's text writer (links written
// through, permissions kept). On failure the old file is untouched, no
// temporary file is left, and `error` says what failed in one line ("PATH:
// cannot write: No space left on device"), and it is not among the host's
// record of failed writes (TakeWriteFailures). New files get `mode` less the
// process's umask.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         unsigned mode = 0666);

}  // namespace brindle::host
