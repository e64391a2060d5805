// A scene document read into a plan: each node as it closes (ReadNode,
// called by DocumentTree), then the settings, the parents resolved and
// checked to form a tree, and the plan checked against SceneLimits. Throws
// a DocumentError for the first thing wrong, in the order: settings, nodes,
// parents, limits.
#pragma once

#include "scene/DocumentTree.h"
#include "scene/ScenePlan.h"

namespace brindle::host {

void ReadScene(const DocumentTree& tree, ScenePlan& plan);

}  // namespace brindle::host
