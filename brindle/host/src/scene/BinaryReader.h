// A binary scene document (BinaryForm.h) read into a plan: the header's
// settings, the string table, each node's record with its object,
// properties and keys, then the parents resolved and the plan checked as
// a JSON document's is (ScenePlan.h). Throws a DocumentError for the first
// thing wrong, in the order: settings, nodes, parents, limits. Nothing is
// sized from a count before the bytes it claims are known to be there.
#pragma once

#include <span>

#include "scene/ScenePlan.h"

namespace brindle::host {

// Whether `bytes`, the start of a file, begin as a binary document does
// (its first byte is enough: no text document begins with it).
bool LooksBinary(std::span<const unsigned char> bytes);

// Reads the whole document in `bytes` into `plan` and checks it.
void ReadBinaryScene(std::span<const unsigned char> bytes, ScenePlan& plan);

}  // namespace brindle::host
