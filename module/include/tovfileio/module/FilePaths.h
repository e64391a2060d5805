// The host's rules for the files a name typed in its dialogs stands for: an
// HTR name reads and writes NAME.htr unless it ends in ".htr", a TRC name
// reads NAME.TRC unless it has an extension already. The file libraries open
// paths as they are given; the module, and the command line when it reads as
// the module would, turn a typed name into a path with these first.
#pragma once

#include <string>

// `path` itself when it ends in ".htr" (each letter in either case), else
// `path` with ".htr" appended, also after another extension.
inline std::wstring HtrFileFor(const std::wstring& path) {
    const std::size_t n = path.size();
    const bool hasExtension = n >= 4 && path[n - 4] == L'.' &&
                              (path[n - 3] == L'h' || path[n - 3] == L'H') &&
                              (path[n - 2] == L't' || path[n - 2] == L'T') &&
                              (path[n - 1] == L'r' || path[n - 1] == L'R');
    return hasExtension ? path : path + L".htr";
}

// `path` itself when its fourth character from the end is ".", else `path`
// with ".TRC" appended. A path too short to have a fourth character from the
// end has no extension either.
inline std::wstring TrcFileFor(const std::wstring& path) {
    const bool hasExtension = path.size() >= 4 && path[path.size() - 4] == L'.';
    return hasExtension ? path : path + L".TRC";
}
