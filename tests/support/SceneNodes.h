// Nodes for the tests of scenes and of what is made from them.
#pragma once

#include "brindle/host/scene/Objects.h"
#include "brindle/host/scene/Scene.h"

namespace tovtest {

// A node of `scene` holding a new object of the class, named `name`, below
// `parent` when there is one.
inline brindle::host::SceneNode* AddNode(brindle::host::Scene& scene, const wchar_t* name,
                                         SClass_ID superClass, Class_ID classId,
                                         brindle::host::SceneNode* parent = nullptr) {
    brindle::host::SceneNode* node = scene.CreateNode(brindle::host::NewSceneObject(superClass, classId));
    node->SetName(name);
    if (parent != nullptr) parent->AttachChild(node, 0);
    return node;
}

}  // namespace tovtest
