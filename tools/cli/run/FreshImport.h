// A motion-capture file brought into a fresh in-memory scene by the module's
// own importer, for commands that work on what an import makes (round trip,
// glTF, preview): create mode, base position and animation keyed, all
// frames, the file's frame rate, size and scale 1 unless given; a TRC file
// makes one sphere per marker. The dialog's settings stay in a registry in memory
// for the import (see TemporaryRegistry), so a person's remembered options
// are neither used nor changed.
#pragma once

#include <optional>
#include <string>

#include "cli/run/SceneSession.h"
#include "tovfileio/text/FileKinds.h"

struct FreshImportOptions {
    // Rotations on TCB controllers instead of Euler XYZ (HTR files).
    bool tcb = false;
    // The scene's system unit in millimetres; 0 keeps the new scene's.
    double systemUnitMm = 0.0;
    // The importer's size, as typed into its dialog: the thickness factor of
    // bones; the diameter of TRC markers in system units.
    std::wstring size = L"1";
};

// Clears the host's scene and imports `path`, read as it is (the command
// has found where a name leads: InputNamed), with the importer of `kind`
// (HTR or TRC); false, with the reason on standard error, when the import
// did not succeed.
bool ImportIntoFreshScene(SceneSession& session, const CommandIO& io, const std::string& path,
                          tovfileio::FileKind kind, const FreshImportOptions& options = {});
