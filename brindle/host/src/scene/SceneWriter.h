// A scene written as a scene document, node by node into a DocumentText, so
// that the document is never held whole (docs/scene-document.md).
#pragma once

#include "scene/DocumentText.h"
#include "brindle/host/scene/Scene.h"

namespace brindle::host {

// Writes the document of `scene` to `out` (Finish is left to the caller).
// Returns the number (from 1) of the first node holding a float that a
// document cannot hold (an infinity or NaN), -1 when the scene's settings
// do, 0 when nothing does; with `stopAtNonFinite` the writing stops there.
long long WriteScene(const Scene& scene, DocumentText& out, bool stopAtNonFinite);

}  // namespace brindle::host
