// A scene as a document gives it, read but not yet applied: the settings and
// every node with its object, controllers, keys and parent. A document is
// read into a plan, the plan is checked against the rules of SceneLimits.h,
// and only then does it replace the scene, so a document that is refused
// leaves the scene as it was.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "brindle/host/scene/NamePool.h"
#include "brindle/host/scene/Scene.h"

namespace brindle::host {

template <typename Value>
struct ControllerPlan {
    bool tcb = false;
    Value value{};
    KeyBlock<Key<Value>> keys;
    bool locked = false;
    // What is wrong with the keys as the document gave them, found while the
    // document was read and said when the controller is (where the node's
    // name is known); empty when nothing is.
    std::string keysProblem;
};

struct NodePlan {
    std::wstring name;
    ULONG handle = 0;
    std::size_t parent = 0;  // index + 1; 0 for a top-level node
    std::unique_ptr<SceneObject> object;
    DWORD wireColor = 0;
    // Keys held by the plan's propertyNames.
    std::vector<std::pair<std::wstring_view, float>> properties;
    ControllerPlan<Point3> position;
    ControllerPlan<Quat> rotation;
    ControllerPlan<Point3> scale{false, Point3(1, 1, 1), {}, false, {}};
    Class_ID transformClass = PRS_CONTROL_CLASS_ID;
    bool boneOn = false;
    int boneDisplay = 1;
    Matrix3 objectOffset;
};

struct ScenePlan {
    int frameRate = 30;
    double systemUnitMm = 1.0;
    TimeValue time = 0;
    std::optional<Interval> range;
    // The keys of the nodes' user properties, each held once; before the
    // nodes, so that it outlives them.
    NamePool propertyNames;
    std::vector<NodePlan> nodes;
};

// Checks that the nodes' parents (set by the reader of the document's form)
// form a tree; throws a DocumentError naming a node on a cycle.
void CheckParentsFormTree(const std::vector<NodePlan>& nodes);

// Checks everything the plan holds against the rules of SceneLimits.h, apart
// from how the document spelled it; throws a DocumentError naming the first
// value that breaks one.
void CheckPlan(const ScenePlan& plan);

// Replaces `scene` with the checked plan. Nothing here can fail for the
// plan's contents; the keys move into the tracks without a copy.
void ApplyPlan(ScenePlan& plan, Scene& scene);

}  // namespace brindle::host
