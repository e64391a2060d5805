// The host's rule for the file a typed name stands for (the module's
// FilePaths.h), on the command line's UTF-8 paths: where the command line
// reads or writes as the host's own file dialogs would.
#pragma once

#include <string>

#include "tovfileio/module/FilePaths.h"
#include "tovfileio/text/TextCodec.h"

// NAME.htr unless NAME ends in ".htr".
inline std::string HtrFileNamed(const std::string& path) {
    return tovfileio::WideToPath(HtrFileFor(tovfileio::PathToWide(path)));
}

// NAME.TRC unless NAME has an extension.
inline std::string TrcFileNamed(const std::string& path) {
    return tovfileio::WideToPath(TrcFileFor(tovfileio::PathToWide(path)));
}
