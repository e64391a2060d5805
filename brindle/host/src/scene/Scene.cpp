#include "brindle/host/scene/Scene.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

namespace brindle::host {

Scene::Scene() { Clear(); }

Scene::~Scene() {
    for (SceneNode* node : order_) delete node;
}

// The open scene lives as long as the process and is never torn down: at
// exit the system takes its memory back at once, where freeing a scene of
// many nodes one by one takes a good part of the time loading it did.
Scene& Scene::Current() {
    static Scene& scene = *new Scene;
    return scene;
}

void Scene::Clear() {
    selection_.clear();
    byName_.Clear();
    byHandle_.clear();
    bySparseHandle_.clear();
    lastObject_ = SharedObject();
    for (SceneNode* node : order_) delete node;
    order_.clear();
    root_.reset();
    propertyNames_.Clear();
    nodeNames_.Clear();
    root_ = std::make_unique<SceneNode>(*this, 0, SharedObject());
    root_->name_ = L"Scene Root";
    nextHandle_ = 1;
    frameRate_ = 30;
    systemUnitMm_ = 1.0;
    time_ = 0;
    animationRange_.reset();
    animate_ = false;
    animateStack_.clear();
    setKeyMode_ = false;
    setKeyStack_.clear();
}

bool Scene::SetFrameRate(int rate) {
    if (rate < 1 || rate > TIME_TICKSPERSEC) return false;
    frameRate_ = rate;
    return true;
}

bool Scene::SetSystemUnitMillimetres(double millimetres) {
    if (!(millimetres > 0.0) || !std::isfinite(millimetres)) return false;
    systemUnitMm_ = millimetres;
    return true;
}

void Scene::SuspendAnimate() {
    animateStack_.push_back(animate_);
    animate_ = false;
}

void Scene::ResumeAnimate() {
    if (animateStack_.empty()) return;
    animate_ = animateStack_.back();
    animateStack_.pop_back();
}

void Scene::SuspendSetKeyMode() {
    setKeyStack_.push_back(setKeyMode_);
    setKeyMode_ = false;
}

void Scene::ResumeSetKeyMode() {
    if (setKeyStack_.empty()) return;
    setKeyMode_ = setKeyStack_.back();
    setKeyStack_.pop_back();
}

SceneNode* Scene::CreateNode(std::unique_ptr<SceneObject> object, Class_ID transformClass) {
    while (FindByHandle(nextHandle_) != nullptr) ++nextHandle_;
    const ULONG handle = nextHandle_++;
    return CreateNodeWithHandle(handle, ShareAlike(std::move(object)), transformClass);
}

SharedObject Scene::ShareAlike(std::unique_ptr<SceneObject> object) {
    // Only the objects of markers, points and spheres, are shared: nothing
    // changes them once their node is made, where bones and boxes are
    // shaped after.
    const bool marker = object != nullptr && (object->ClassID() == POINTHELP_CLASS_ID ||
                                              object->ClassID() == SPHERE_CLASS_ID);
    if (!marker) {
        return SharedObject(std::move(object));
    }
    if (!lastObject_ || !lastObject_.get()->SameAs(*object)) {
        lastObject_ = SharedObject(std::move(object));
    }
    return lastObject_;
}

SceneNode* Scene::CreateNodeWithHandle(ULONG handle, std::unique_ptr<SceneObject> object,
                                       Class_ID transformClass) {
    return CreateNodeWithHandle(handle, SharedObject(std::move(object)), transformClass);
}

SceneNode* Scene::CreateNodeWithHandle(ULONG handle, SharedObject object, Class_ID transformClass) {
    if (handle == 0 || FindByHandle(handle) != nullptr) return nullptr;
    auto made = std::make_unique<SceneNode>(*this, handle, std::move(object), transformClass);
    order_.push_back(made.get());
    SceneNode* node = made.release();
    node->parent_ = root_.get();
    root_->OwnChildren().push_back(node);
    IndexHandle(*node);
    Index(*node);
    nextHandle_ = std::max(nextHandle_, handle + 1);
    return node;
}

void Scene::IndexHandle(SceneNode& node) {
    const ULONG handle = node.handle_;
    // Handles up to twice the nodes (and a few) are held in place.
    if (handle >= byHandle_.size() && handle <= 2 * order_.size() + 64) {
        const std::size_t grown = byHandle_.size() + byHandle_.size() / 2;
        byHandle_.resize(std::max<std::size_t>(handle + 1, grown));
    }
    if (handle < byHandle_.size()) {
        byHandle_[handle] = &node;
    } else {
        bySparseHandle_[handle] = &node;
    }
}

void Scene::UnindexHandle(const SceneNode& node) {
    if (node.handle_ < byHandle_.size() && byHandle_[node.handle_] == &node) {
        byHandle_[node.handle_] = nullptr;
    } else {
        bySparseHandle_.erase(node.handle_);
    }
}

void Scene::DeleteNode(SceneNode* node) {
    if (node == nullptr || node == root_.get() || FindByHandle(node->handle_) != node) return;
    SceneNode* parent = node->parent_;
    auto& siblings = parent->OwnChildren();
    auto at = std::find(siblings.begin(), siblings.end(), node);
    // The children take the deleted node's place among its siblings.
    at = siblings.erase(at);
    const std::vector<SceneNode*>& children = node->Children();
    for (SceneNode* child : children) {
        child->DropWorld();
        child->parent_ = parent;
    }
    siblings.insert(at, children.begin(), children.end());

    selection_.erase(std::remove(selection_.begin(), selection_.end(), node), selection_.end());
    Unindex(*node);
    UnindexHandle(*node);
    order_.erase(std::find(order_.begin(), order_.end(), node));
    delete node;
}

void Scene::SetParents(const std::vector<std::pair<SceneNode*, SceneNode*>>& parents) {
    const auto forgetChildren = [](SceneNode& node) {
        if (node.extras_ == nullptr) return;
        std::vector<SceneNode*>().swap(node.extras_->children);
        if (node.Kept() != nullptr) node.Kept()->valid = false;
    };
    forgetChildren(*root_);
    for (SceneNode* node : order_) forgetChildren(*node);
    for (const auto& [child, parent] : parents) {
        SceneNode* above = parent != nullptr ? parent : root_.get();
        child->parent_ = above;
        above->OwnChildren().push_back(child);
    }
}

const char* Scene::SystemUnitName() const {
    if (systemUnitMm_ == 1.0) return "mm";
    if (systemUnitMm_ == 10.0) return "cm";
    if (systemUnitMm_ == 1000.0) return "m";
    if (systemUnitMm_ == 25.4) return "in";
    if (systemUnitMm_ == 304.8) return "ft";
    if (systemUnitMm_ == 914.4) return "yd";
    return nullptr;
}

SceneNode* Scene::FindByHandle(ULONG handle) const {
    if (handle < byHandle_.size() && byHandle_[handle] != nullptr) return byHandle_[handle];
    if (bySparseHandle_.empty()) return nullptr;
    const auto found = bySparseHandle_.find(handle);
    return found == bySparseHandle_.end() ? nullptr : found->second;
}

SceneNode* Scene::FindByName(const std::wstring& name) const {
    // Handles grow with creation: the smallest is the first created.
    SceneNode* first = nullptr;
    byName_.ForEachNamed(name, [&](SceneNode* node) {
        if (first == nullptr || node->handle_ < first->handle_) first = node;
    });
    return first;
}

void Scene::MakeNameUnique(std::wstring& name) const {
    if (!byName_.Contains(name)) return;
    // A taken name gets the smallest free three-digit number in place of
    // any number it ends in.
    std::wstring base = name;
    while (!base.empty() && std::iswdigit(base.back())) base.pop_back();
    for (unsigned n = 1;; ++n) {
        wchar_t number[16];
        std::swprintf(number, 16, L"%03u", n);
        std::wstring candidate = base + number;
        if (!byName_.Contains(candidate)) {
            name = std::move(candidate);
            return;
        }
    }
}

void Scene::Select(SceneNode* node) {
    if (node == nullptr || node == root_.get()) return;
    if (std::find(selection_.begin(), selection_.end(), node) == selection_.end()) {
        selection_.push_back(node);
    }
}

}  // namespace brindle::host

// The SDK's scene-wide functions act on the scene the host has open.
using brindle::host::Scene;

int GetTicksPerFrame() { return Scene::Current().TicksPerFrame(); }
void SetFrameRate(int rate) { Scene::Current().SetFrameRate(rate); }
int GetFrameRate() { return Scene::Current().FrameRate(); }
void AnimateOn() { Scene::Current().SetAnimate(true); }
void AnimateOff() { Scene::Current().SetAnimate(false); }
BOOL Animating() { return Scene::Current().Animate() ? TRUE : FALSE; }
void SuspendAnimate() { Scene::Current().SuspendAnimate(); }
void ResumeAnimate() { Scene::Current().ResumeAnimate(); }
BOOL GetSetKeyMode() { return Scene::Current().SetKeyMode() ? TRUE : FALSE; }
void SuspendSetKeyMode() { Scene::Current().SuspendSetKeyMode(); }
void ResumeSetKeyMode() { Scene::Current().ResumeSetKeyMode(); }

double GetMasterScale(int type) {
    const double mm = Scene::Current().SystemUnitMillimetres();
    switch (type) {
        case UNITS_INCHES: return mm / 25.4;
        case UNITS_FEET: return mm / 304.8;
        case UNITS_MILES: return mm / 1609344.0;
        case UNITS_MILLIMETERS: return mm;
        case UNITS_CENTIMETERS: return mm / 10.0;
        case UNITS_METERS: return mm / 1000.0;
        case UNITS_KILOMETERS: return mm / 1000000.0;
        default: return -1.0;
    }
}
