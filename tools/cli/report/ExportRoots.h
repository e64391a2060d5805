// What export-htr can be asked to export: the exporter takes the first
// node selected when it is a bone, else that node's first child that is a
// bone, and refuses anything else. When the selection gives it no root,
// the command line names the nodes that would.
#pragma once

#include <string>
#include <vector>

#include "brindle/host/scene/Scene.h"

// The top-level nodes of `scene` that the exporter takes as a root when
// selected: bones, and nodes with a bone among their children, in the
// scene's order.
std::vector<std::wstring> ExportRootCandidates(brindle::host::Scene& scene);

// Empty when the selection gives the exporter a root; else what to select
// instead: "nothing selected leads to a bone; select one of: walk, take2
// (--select NAME)", or that the scene holds no bone to export.
std::string ExportRootHint(brindle::host::Scene& scene);
