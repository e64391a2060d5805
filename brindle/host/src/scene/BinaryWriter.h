// A scene written as a binary scene document (BinaryForm.h), node by node
// into pieces of about 64 KB handed to a sink, so that the document is
// never held whole.
#pragma once

#include <functional>
#include <string_view>

#include "brindle/host/scene/Scene.h"

namespace brindle::host {

using ByteSink = std::function<void(std::string_view)>;

// Writes the binary document of `scene` to `sink`. Stops at the first value
// a document cannot hold (a float that is infinite or not a number) and
// returns where it lies: the number (from 1) of its node, or -1 for the
// scene's settings; 0 once the whole document is written.
long long WriteBinaryScene(const Scene& scene, const ByteSink& sink);

}  // namespace brindle::host
