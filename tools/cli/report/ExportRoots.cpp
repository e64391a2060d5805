#include "cli/report/ExportRoots.h"

#include <algorithm>

#include "cli/report/SafeText.h"

using brindle::host::Scene;
using brindle::host::SceneNode;
using brindle::host::SceneObject;

namespace {

bool IsBone(const SceneNode& node) {
    SceneObject* object = node.HeldObject();
    return object != nullptr && object->ClassID() == BONE_OBJ_CLASSID;
}

bool LeadsToBone(const SceneNode& node) {
    return IsBone(node) || std::any_of(node.Children().begin(), node.Children().end(),
                                       [](const SceneNode* child) { return IsBone(*child); });
}

}  // namespace

std::vector<std::wstring> ExportRootCandidates(Scene& scene) {
    std::vector<std::wstring> names;
    for (const SceneNode* node : scene.Nodes()) {
        if (node->Parent() == &scene.Root() && LeadsToBone(*node)) names.push_back(node->Name());
    }
    return names;
}

std::string ExportRootHint(Scene& scene) {
    if (!scene.Selection().empty() && LeadsToBone(*scene.Selection().front())) return std::string();
    const std::vector<std::wstring> names = ExportRootCandidates(scene);
    if (names.empty()) return "the scene holds no bone to export";
    std::string list;
    for (const std::wstring& name : names) list += (list.empty() ? "" : ", ") + EscapedName(name);
    return std::string(scene.Selection().empty() ? "nothing is selected"
                                                 : "the node selected is not a bone and has none "
                                                   "among its children") +
           "; select one of: " + list + " (--select NAME)";
}
