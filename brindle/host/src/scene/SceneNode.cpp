#include <algorithm>

#include "brindle/host/scene/Scene.h"

namespace brindle::host {

SceneNode::SceneNode(Scene& scene, ULONG handle, SharedObject object, Class_ID transformClass)
    : scene_(scene),
      object_(std::move(object)),
      transform_(transformClass),
      handle_(handle) {
    transform_.SetListener(this);
}

const std::vector<SceneNode*>& SceneNode::Children() const {
    static const std::vector<SceneNode*> none;
    return extras_ != nullptr ? extras_->children : none;
}

SceneNode::Extras& SceneNode::OwnExtras() {
    if (extras_ == nullptr) extras_ = std::make_unique<Extras>();
    return *extras_;
}

const std::vector<std::pair<std::wstring_view, float>>& SceneNode::UserProperties() const {
    static const std::vector<std::pair<std::wstring_view, float>> none;
    return extras_ != nullptr ? extras_->userProperties : none;
}

BOOL SceneNode::IsRootNode() { return this == &scene_.Root() ? TRUE : FALSE; }

void SceneNode::SetName(const wchar_t* name) {
    const bool indexed = !IsRootNode();
    if (indexed) scene_.Unindex(*this);
    name_ = scene_.nodeNames_.Store(name != nullptr ? name : L"");
    if (indexed) scene_.Index(*this);
}

INode* SceneNode::GetChildNode(int i) {
    const std::vector<SceneNode*>& children = Children();
    if (i < 0 || static_cast<std::size_t>(i) >= children.size()) return nullptr;
    return children[static_cast<std::size_t>(i)];
}

bool SceneNode::IsSelfOrAncestor(const SceneNode* node) const {
    // A node without children is above no node but itself.
    if (node != nullptr && node->Children().empty()) return node == this;
    for (const SceneNode* at = this; at != nullptr; at = at->parent_) {
        if (at == node) return true;
    }
    return false;
}

void SceneNode::AttachChild(INode* childNode, int keepPos) {
    auto* child = dynamic_cast<SceneNode*>(childNode);
    if (child == nullptr || &child->scene_ != &scene_ || child->IsRootNode()) return;
    // A node cannot go below itself.
    if (IsSelfOrAncestor(child)) return;
    const TimeValue now = scene_.Time();
    Matrix3 world;
    if (keepPos != 0) world = child->GetNodeTM(now, nullptr);
    if (child->parent_ != nullptr) {
        // A node is mostly moved soon after it was made, from the end of
        // its parent's children.
        auto& siblings = child->parent_->OwnChildren();
        siblings.erase(std::find(siblings.rbegin(), siblings.rend(), child).base() - 1);
    }
    child->DropWorld();
    child->parent_ = this;
    OwnChildren().push_back(child);
    if (keepPos != 0) {
        // The local placement that keeps the world placement under the new parent.
        Point3 position, scale;
        Quat rotation;
        DecomposeMatrix(world * Inverse(GetNodeTM(now, nullptr)), position, rotation, scale);
        TransformController& tm = child->Transform();
        tm.Position().Set(now, position, scene_.Animate());
        tm.Rotation().Set(now, rotation, scene_.Animate());
        tm.Scale().Set(now, scale, scene_.Animate());
    }
}

Matrix3 SceneNode::GetObjectTM(TimeValue t, Interval* valid) {
    return GetObjOffsetTM() * GetNodeTM(t, valid);
}

void SceneNode::Move(TimeValue t, const Matrix3& axis, const Point3& value, BOOL /*localOrigin*/,
                     BOOL /*affectKids*/, int /*pivotMode*/, BOOL /*ignoreLocks*/) {
    // The move in world axes, then in the parent's, added to the position.
    const Point3 world = VectorTransform(axis, value);
    Point3 local = world;
    if (parent_ != nullptr && !parent_->IsRootNode()) {
        local = VectorTransform(Inverse(parent_->GetNodeTM(t, nullptr)), world);
    }
    PointController& position = transform_.Position();
    position.Set(t, ValueTraits<Point3>::Compose(position.Evaluate(t), local), scene_.Animate());
}

void SceneNode::Scale(TimeValue t, const Matrix3& /*axis*/, const Point3& value,
                      BOOL /*localOrigin*/, BOOL /*affectKids*/, int /*pivotMode*/,
                      BOOL /*ignoreLocks*/) {
    // Scaling about the node's own origin multiplies its scale per axis.
    PointController& scale = transform_.Scale();
    const Point3 now = scale.Evaluate(t);
    scale.Set(t, Point3(now.x * value.x, now.y * value.y, now.z * value.z), scene_.Animate());
}

void SceneNode::SetUserPropFloat(const wchar_t* key, float value) {
    const std::wstring_view name = key != nullptr ? key : L"";
    auto& properties = OwnExtras().userProperties;
    for (auto& property : properties) {
        if (property.first == name) {
            property.second = value;
            return;
        }
    }
    // A node given one property is usually given several (a bone's base
    // pose takes seven): room for them at once rather than growing by one.
    if (properties.empty()) properties.reserve(8);
    properties.emplace_back(scene_.PropertyNames().Intern(name), value);
}

BOOL SceneNode::GetUserPropFloat(const wchar_t* key, float& value) {
    // Looked up by a view of the key: a lookup allocates nothing.
    const std::wstring_view name = key != nullptr ? key : L"";
    for (const auto& property : UserProperties()) {
        if (property.first == name) {
            value = property.second;
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace brindle::host
