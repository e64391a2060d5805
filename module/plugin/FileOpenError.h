// Why a file its reader refused could not be opened, for the record of the
// operation: asked of the file system the readers use, after the refusal,
// so that the read itself needs no observer.
#pragma once

#include <string>

#include "tovfileio/text/TextFiles.h"

// The system's error number when the file at `path` cannot be opened for
// reading; 0 when it can (the reader refused what it read).
inline int FileOpenError(const std::wstring& path) {
    int error = 0;
    static_cast<void>(tovfileio::TextFiles().OpenLines(path, error));
    return error;
}
