// glTF output of the host's scene for tovfileio: `gltf S.json OUT.glb`, and
// `convert IN OUT.glb` (or .gltf), which first imports IN into a fresh scene
// with the module's importer.
#pragma once

#include <string>

#include "cli/files/CommandIO.h"
#include "tovfileio/text/FileKinds.h"

// Imports `readPath` (the file as the reader opens it, of `kind`;
// `inputName` as the user named it) into a fresh scene and writes it to
// `out` as glTF (`binary`: the .glb form); an exit status.
int ConvertToGltf(const CommandIO& io, const std::string& inputName, const std::string& readPath,
                  tovfileio::FileKind kind, const std::string& out, bool binary);
