#include "AtomicFile.h"

#include <cstring>

#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFileWriter.h"

namespace brindle::host {

// The host's text writer already replaces a file whole or not at all; here
// it is asked to make the file and its name durable too. A failure is the
// caller's to say: it is no plug-in's failed write.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         unsigned mode) {
    TextFile::Writer file;
    file.SetRecorded(false);
    file.SetDurable(true);
    file.SetNewFileMode(mode);
    if (!file.Open(TextCodec::PathToWide(path))) {
        error = path + ": cannot write: " + std::strerror(file.Error());
        return false;
    }
    file.Write(bytes);
    if (!file.Close()) {
        error = path + ": cannot write: " + std::strerror(file.Error());
        return false;
    }
    return true;
}

}  // namespace brindle::host
