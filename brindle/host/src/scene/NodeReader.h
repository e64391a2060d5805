// One node of a scene document read into the plan as its object closes:
// name, handle, object, properties and controllers checked in that order
// whatever the document's, and what it says of its parent kept until every
// node is known. Throws a DocumentError for the first thing wrong.
#pragma once

#include <cstddef>
#include <string>

#include "brindle/host/scene/NamePool.h"
#include "scene/NodeTree.h"
#include "scene/ScenePlan.h"

namespace brindle::host {

// What a node says of its parent: the member ("parent_handle", or "parent"
// when it gives no handle) and its value; no field when it says nothing.
struct ParentRef {
    const char* field = nullptr;
    Scalar value;
    std::string text;  // the value's text, which `value` does not own

    Scalar Value() const {
        Scalar held = value;
        held.text = text;
        return held;
    }
};

// Reads node `index` (from 0) of the document into `plan`, and what it says
// of its parent into `parent`. The controllers' keys are in the plan
// already, with what is wrong with them, which is said here in its place.
// The keys of its user properties go into `names`.
void ReadNode(TreeValue node, std::size_t index, NodePlan& plan, ParentRef& parent,
              NamePool& names);

}  // namespace brindle::host
