// A scene document's tree read into a plan: the settings, each node's name,
// handle, object, properties and controllers, and the parents resolved and
// checked to form a tree; then the plan is checked against SceneLimits. The
// keys are not in the tree: DocumentTree put them in the plan as the
// document was read, with what is wrong with them, which is said here in
// its place. Throws a DocumentError for the first thing wrong.
#pragma once

#include "scene/DocumentTree.h"
#include "scene/ScenePlan.h"

namespace brindle::host {

void ReadScene(const Json& document, ScenePlan& plan);

}  // namespace brindle::host
