// The scene as a document: its settings and every node with its object,
// controllers and keys. A document is saved in a binary form, which loads
// at about the speed of reading its bytes; the same scene as JSON
// ("tovfileio-scene", version 2) is what a person reads, and documents of
// that form (and of version 1) still load. Both forms are described in
// docs/scene-document.md.
#pragma once

#include <string>

#include "brindle/host/scene/Scene.h"

namespace brindle::host {

// The JSON document of `scene`: pretty-printed with two-space indents,
// "format" and "version" first, ending with a line feed. Floats are written
// in their shortest decimal form, which reads back as the same float.
std::string SceneToJson(const Scene& scene);

// Replaces `scene` with the document at `path`, of either form, told apart
// by its first bytes. A file that cannot be read, or whose document is
// damaged, foreign, of a newer version or inconsistent, gives false and a
// one-line `error` naming the path and what is wrong; `scene` is then left
// exactly as it was. Takes time linear in the document's size.
bool LoadSceneDocument(const std::string& path, Scene& scene, std::string& error);

// Writes the binary document of `scene` to `path` atomically, node by node:
// the old file stays whole until the new one is complete. False with a
// one-line `error` when the file cannot be written, memory runs out, or the
// scene holds a value a document cannot (a float that is infinite or not a
// number).
bool SaveSceneDocument(const Scene& scene, const std::string& path, std::string& error);

}  // namespace brindle::host
