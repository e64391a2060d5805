// A take the module's importers can read: an HTR or TRC file is imported as
// it is named; a BVH, C3D or GWM file is converted first, by the libraries'
// conversion core, into an HTR (skeletons) or TRC (markers) file in a
// private temporary folder, which goes when the copy does, or on a signal.
#pragma once

#include <optional>
#include <string>

#include "cli/commands/CommandIO.h"
#include "tovfileio/text/FileKinds.h"

class ImportableCopy {
public:
    ImportableCopy() = default;
    ~ImportableCopy();
    ImportableCopy(const ImportableCopy&) = delete;
    ImportableCopy& operator=(const ImportableCopy&) = delete;

    // Makes `name` importable; false with `error` ("NAME: MESSAGE") when
    // the file's reader refuses it or the copy cannot be written.
    bool Make(const std::string& name, const CommandIO& io, std::string& error);

    // What to import: `name` itself, or the converted copy.
    const std::string& Path() const { return path_; }
    // The copy's kind (HTR or TRC); none when `name` is imported as it is.
    const std::optional<tovfileio::FileKind>& Kind() const { return kind_; }

private:
    std::string path_;
    std::optional<tovfileio::FileKind> kind_;
    std::string folder_;
    int folderSlot_ = -1;
    int fileSlot_ = -1;
};
