#include "brindle/host/scene/Scene.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

namespace brindle::host {

Scene::Scene() { Clear(); }

// The open scene lives as long as the process and is never torn down: at
// exit the system takes its memory back at once, where freeing a scene of
// many nodes one by one takes a good part of the time loading it did.
Scene& Scene::Current() {
    static Scene& scene = *new Scene;
    return scene;
}

void Scene::Clear() {
    selection_.clear();
    byName_.clear();
    byHandle_.clear();
    order_.clear();
    nodes_.clear();
    propertyNames_.Clear();
    root_ = std::make_unique<SceneNode>(*this, 0, nullptr);
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
    while (byHandle_.count(nextHandle_) != 0) ++nextHandle_;
    return CreateNodeWithHandle(nextHandle_++, std::move(object), transformClass);
}

SceneNode* Scene::CreateNodeWithHandle(ULONG handle, std::unique_ptr<SceneObject> object,
                                       Class_ID transformClass) {
    if (handle == 0 || byHandle_.count(handle) != 0) return nullptr;
    nodes_.push_back(std::make_unique<SceneNode>(*this, handle, std::move(object), transformClass));
    SceneNode* node = nodes_.back().get();
    node->parent_ = root_.get();
    root_->children_.push_back(node);
    order_.push_back(node);
    byHandle_[handle] = node;
    Index(*node);
    nextHandle_ = std::max(nextHandle_, handle + 1);
    return node;
}

void Scene::DeleteNode(SceneNode* node) {
    if (node == nullptr || node == root_.get() || byHandle_.count(node->handle_) == 0) return;
    SceneNode* parent = node->parent_;
    auto& siblings = parent->children_;
    auto at = std::find(siblings.begin(), siblings.end(), node);
    // The children take the deleted node's place among its siblings.
    at = siblings.erase(at);
    for (SceneNode* child : node->children_) {
        child->DropWorld();
        child->parent_ = parent;
    }
    siblings.insert(at, node->children_.begin(), node->children_.end());
    node->children_.clear();

    selection_.erase(std::remove(selection_.begin(), selection_.end(), node), selection_.end());
    Unindex(*node);
    byHandle_.erase(node->handle_);
    order_.erase(std::find(order_.begin(), order_.end(), node));
    nodes_.erase(std::find_if(nodes_.begin(), nodes_.end(),
                              [node](const auto& owned) { return owned.get() == node; }));
}

void Scene::SetParents(const std::vector<std::pair<SceneNode*, SceneNode*>>& parents) {
    root_->children_.clear();
    for (SceneNode* node : order_) {
        if (node->world_ != nullptr) node->world_->valid = false;
        node->children_.clear();
    }
    for (const auto& [child, parent] : parents) {
        SceneNode* above = parent != nullptr ? parent : root_.get();
        child->parent_ = above;
        above->children_.push_back(child);
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
    const auto found = byHandle_.find(handle);
    return found == byHandle_.end() ? nullptr : found->second;
}

SceneNode* Scene::FindByName(const std::wstring& name) const {
    // Handles grow with creation: the smallest is the first created.
    SceneNode* first = nullptr;
    const auto [from, to] = byName_.equal_range(name);
    for (auto at = from; at != to; ++at) {
        if (first == nullptr || at->second->handle_ < first->handle_) first = at->second;
    }
    return first;
}

void Scene::MakeNameUnique(std::wstring& name) const {
    if (byName_.find(name) == byName_.end()) return;
    // A taken name gets the smallest free three-digit number in place of
    // any number it ends in.
    std::wstring base = name;
    while (!base.empty() && std::iswdigit(base.back())) base.pop_back();
    for (unsigned n = 1;; ++n) {
        wchar_t number[16];
        std::swprintf(number, 16, L"%03u", n);
        std::wstring candidate = base + number;
        if (byName_.find(candidate) == byName_.end()) {
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

void Scene::Unindex(SceneNode& node) {
    const auto [from, to] = byName_.equal_range(node.name_);
    for (auto at = from; at != to; ++at) {
        if (at->second == &node) {
            byName_.erase(at);
            return;
        }
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
