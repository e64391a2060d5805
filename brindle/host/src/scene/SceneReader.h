// A scene document read into a plan: each node's name, handle, object,
// properties and controllers as the node's object closes (ReadNode, called
// by DocumentTree, which then lets the node's tree go), then the settings,
// the parents resolved and checked to form a tree, and the plan checked
// against SceneLimits. The keys are not in the tree: DocumentTree put them
// in the plan as the document was read, with what is wrong with them, which
// is said here in its place. Throws a DocumentError for the first thing
// wrong, in the order: settings, nodes, parents, limits.
#pragma once

#include <cstddef>

#include "scene/DocumentTree.h"
#include "scene/ScenePlan.h"

namespace brindle::host {

// Reads node `index` (from 0) of the document into `plan`, and what it says
// of its parent into `parent`, which keeps it until the parents are
// resolved.
void ReadNode(Json& value, std::size_t index, NodePlan& plan, ParentRef& parent);

void ReadScene(const DocumentTree& tree, ScenePlan& plan);

}  // namespace brindle::host
