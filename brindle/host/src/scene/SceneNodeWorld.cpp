// World matrices of nodes, kept per node with children for the time last
// asked and composed from the parent's kept one, so a chain of any depth
// costs one product per node and time, and dropped down the hierarchy when
// a node's controllers or parent change. Walks keep their own stacks: a
// chain of any depth cannot overflow the call stack.
#include <vector>

#include "brindle/host/scene/Scene.h"

namespace brindle::host {

SceneNode* SceneNode::WorldParent() const {
    return parent_ != nullptr && !parent_->IsRootNode() ? parent_ : nullptr;
}

PreciseMatrix SceneNode::WorldFromParent(TimeValue t) const {
    const PreciseMatrix local = transform_.PreciseLocalMatrix(t);
    const SceneNode* above = WorldParent();
    // In double, rounded once by GetNodeTM.
    return above != nullptr ? local * above->Kept()->matrix : local;
}

void SceneNode::KeepWorld(TimeValue t) {
    std::unique_ptr<KeptWorld>& world = OwnExtras().world;
    if (world == nullptr) world = std::make_unique<KeptWorld>();
    world->matrix = WorldFromParent(t);
    world->time = t;
    world->valid = true;
}

PreciseMatrix SceneNode::World(TimeValue t) {
    if (KeepsWorld(t)) return Kept()->matrix;
    SceneNode* above = WorldParent();
    if (above != nullptr && !above->KeepsWorld(t)) {
        // Up to the first node that keeps its world at `t`, then down again.
        std::vector<SceneNode*> path;
        for (; above != nullptr && !above->KeepsWorld(t); above = above->WorldParent()) {
            path.push_back(above);
        }
        for (auto at = path.rbegin(); at != path.rend(); ++at) (*at)->KeepWorld(t);
    }
    // Only a node that has children keeps its own: no other node asks for
    // a leaf's, and most nodes of a marker cloud are leaves.
    if (Children().empty()) return WorldFromParent(t);
    KeepWorld(t);
    return Kept()->matrix;
}

void SceneNode::DropWorld() {
    if (Kept() == nullptr || !Kept()->valid) return;
    // A node below one that keeps nothing keeps nothing either.
    std::vector<SceneNode*> pending{this};
    while (!pending.empty()) {
        SceneNode* node = pending.back();
        pending.pop_back();
        node->Kept()->valid = false;
        for (SceneNode* child : node->Children()) {
            if (child->Kept() != nullptr && child->Kept()->valid) pending.push_back(child);
        }
    }
}

Matrix3 SceneNode::GetNodeTM(TimeValue t, Interval* valid) {
    if (valid != nullptr) *valid = Interval(t, t);
    return World(t).Rounded();
}

}  // namespace brindle::host
