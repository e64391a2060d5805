#include "scene/ScenePlan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "scene/DocumentError.h"
#include "scene/SceneLimits.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

// The rules of SceneLimits.h applied to everything the document gave, apart
// from how the document spells it: every form of the document that reads
// into a plan keeps these checks. Values are tested without building a
// message; the message is built for the first value that fails.

bool FiniteAll(std::initializer_list<float> values) {
    for (const float value : values) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}
bool Finite(const Point3& p) { return FiniteAll({p.x, p.y, p.z}); }
bool Finite(const Quat& q) { return FiniteAll({q.x, q.y, q.z, q.w}); }

[[noreturn]] void FailNotFinite(const Place& at, const std::string& what) {
    at.Fail(what + " holds a number that is infinite or not a number");
}

// Whether a planned controller is what `fresh`, a new node's, holds: its
// held value bit for bit, no keys and not locked.
template <typename Value>
bool IsDefault(const ControllerPlan<Value>& plan, const ValueController<Value>& fresh) {
    const Value held = fresh.HeldValue();
    return plan.keys.empty() && !plan.locked && !fresh.Locked() &&
           std::memcmp(&plan.value, &held, sizeof(Value)) == 0;
}

// Checks a controller's values and key ticks; the number of its keys.
template <typename Value>
std::size_t CheckController(const ControllerPlan<Value>& plan, const Place& node,
                            const char* field) {
    const Place at = node.Member(field);
    if (!Finite(plan.value)) FailNotFinite(at, "value");
    for (std::size_t i = 0; i < plan.keys.size(); ++i) {
        const Key<Value>& key = plan.keys[i];
        if (Finite(key.value) && key.time >= -kMaxTickDistance && key.time <= kMaxTickDistance) {
            continue;
        }
        const std::string what = "key " + std::to_string(i + 1);
        if (!Finite(key.value)) FailNotFinite(at, what);
        at.Fail(what + ": " + TickProblem(key.time));
    }
    return plan.keys.size();
}

void CheckObject(SceneObject& object, const Place& node) {
    const Place at = node.Member("object");
    for (const ParamBlock::Param& param : object.Block().Params()) {
        if (!param.isInt && !std::isfinite(param.floatValue)) {
            FailNotFinite(at, "parameter " + std::to_string(param.id));
        }
    }
    const Box3 box = object.GetBox();
    if (!Finite(box.pmin) || !Finite(box.pmax)) FailNotFinite(at, "the box");
}

// The number of keys of the node's most keyed controller.
std::size_t CheckNode(const NodePlan& node, std::size_t index) {
    const Place at = Place::Node(index, node.name);
    for (const auto& [key, value] : node.properties) {
        if (!std::isfinite(value)) {
            FailNotFinite(at, "user property \"" + Printable(TextCodec::EncodeUtf8(key)) + "\"");
        }
    }
    if (node.object != nullptr) CheckObject(*node.object, at);
    for (int row = 0; row < 4; ++row) {
        if (!Finite(node.objectOffset[row])) FailNotFinite(at, "object_offset");
    }
    return std::max({CheckController(node.position, at, "position"),
                     CheckController(node.rotation, at, "rotation"),
                     CheckController(node.scale, at, "scale")});
}

}  // namespace

void CheckParentsFormTree(const std::vector<NodePlan>& nodes) {
    // Each node is walked up once: 1 while on the current path, 2 when known
    // to lead to the top.
    std::vector<unsigned char> state(nodes.size(), 0);
    std::vector<std::size_t> path;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        path.clear();
        std::size_t at = i + 1;
        while (at != 0 && state[at - 1] == 0) {
            state[at - 1] = 1;
            path.push_back(at - 1);
            at = nodes[at - 1].parent;
        }
        if (at != 0 && state[at - 1] == 1) {
            Place::Node(at - 1, nodes[at - 1].name)
                .Fail("is its own ancestor (the parents form a cycle)");
        }
        for (const std::size_t node : path) state[node] = 2;
    }
}

void CheckPlan(const ScenePlan& plan) {
    if (const std::string problem = SystemUnitProblem(plan.systemUnitMm); !problem.empty()) {
        FailDocument("system_unit_mm " + problem);
    }
    if (const std::string problem = TickProblem(plan.time); !problem.empty()) {
        FailDocument("time: " + problem);
    }
    std::size_t mostKeys = 0;
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        mostKeys = std::max(mostKeys, CheckNode(plan.nodes[i], i));
    }
    if (plan.range) {
        const std::string problem = RangeProblem(plan.range->Start(), plan.range->End(),
                                                 TIME_TICKSPERSEC / plan.frameRate, mostKeys);
        if (!problem.empty()) FailDocument("animation_range " + problem);
    }
}

void ApplyPlan(ScenePlan& plan, Scene& scene) {
    static const Matrix3 kIdentity;
    scene.Clear();
    scene.SetFrameRate(plan.frameRate);
    scene.SetSystemUnitMillimetres(plan.systemUnitMm);
    scene.SetTime(plan.time);
    scene.SetAnimationRange(plan.range);
    std::vector<SceneNode*> created;
    created.reserve(plan.nodes.size());
    for (NodePlan& node : plan.nodes) {
        SceneNode* made =
            scene.CreateNodeWithHandle(node.handle, std::move(node.object), node.transformClass);
        made->SetName(node.name.c_str());
        made->SetWireColor(node.wireColor);
        if (!node.properties.empty()) {
            for (auto& property : node.properties) {
                property.first = scene.PropertyNames().Intern(property.first);
            }
            made->SetUserProperties(std::move(node.properties));
        }
        TransformController& transform = made->Transform();
        if (node.rotation.tcb) transform.SetRotation(NewRotationController(TCB_ROTATION_CLASS_ID));
        const auto fill = [](auto& controller, auto& from) {
            controller.SetHeldValue(from.value);
            controller.Track().Assign(std::move(from.keys));
            controller.SetLocked(from.locked);
        };
        fill(transform.Position(), node.position);
        // A rotation or scale as a new node has it makes no controller.
        if (node.rotation.tcb || !IsDefault(node.rotation, std::as_const(transform).Rotation())) {
            fill(transform.Rotation(), node.rotation);
        }
        if (!IsDefault(node.scale, std::as_const(transform).Scale())) fill(transform.Scale(), node.scale);
        made->ShowBone(node.boneDisplay);
        made->SetBoneNodeOnOff(node.boneOn ? TRUE : FALSE, 0);
        // A node without an offset holds none (the identity, bit for bit).
        if (std::memcmp(&node.objectOffset, &kIdentity, sizeof kIdentity) != 0) {
            made->SetObjectOffset(node.objectOffset);
        }
        created.push_back(made);
    }
    std::vector<std::pair<SceneNode*, SceneNode*>> parents;
    parents.reserve(created.size());
    for (std::size_t i = 0; i < created.size(); ++i) {
        const std::size_t parent = plan.nodes[i].parent;
        parents.emplace_back(created[i], parent == 0 ? nullptr : created[parent - 1]);
    }
    scene.SetParents(parents);
}

}  // namespace brindle::host
