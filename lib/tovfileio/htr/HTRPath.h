// The extension rule of HTR paths, shared by the reader and the writer.
#pragma once

#include <string>

// `path` itself when it ends in ".htr" (each letter in either case), else
// `path` with ".htr" appended, also after another extension.
inline std::wstring WithHtrExtension(const std::wstring& path) {
    const std::size_t n = path.size();
    const bool hasExtension = n >= 4 && path[n - 4] == L'.' &&
                              (path[n - 3] == L'h' || path[n - 3] == L'H') &&
                              (path[n - 2] == L't' || path[n - 2] == L'T') &&
                              (path[n - 1] == L'r' || path[n - 1] == L'R');
    return hasExtension ? path : path + L".htr";
}
