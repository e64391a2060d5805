// The headless host's scene: its nodes in creation order, the selection, and
// the scene-wide settings (frame rate, current time, animation range, system
// unit) and modes (animate, set key) that modules reach through the SDK.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "brindle/host/scene/Controllers.h"
#include "brindle/host/scene/NamePool.h"
#include "brindle/host/scene/Objects.h"
#include "brindle/sdk/SceneObjects.h"

namespace brindle::host {

class Scene;

// A node with children keeps its world matrix once computed, for the time
// it was computed at, and its children compose theirs with it: a chain of
// any depth costs one product per node and time. A node keeps one only
// while its parent (unless that is the root) keeps one, so a change of a
// node's controllers or parent drops what it and the nodes below it keep,
// stopping at nodes that keep none.
class SceneNode : public INode, private ControllerListener {
public:
    SceneNode(Scene& scene, ULONG handle, SharedObject object,
              Class_ID transformClass = PRS_CONTROL_CLASS_ID);
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    ULONG GetHandle() override { return handle_; }
    const wchar_t* GetName() override { return name_; }
    void SetName(const wchar_t* name) override;
    BOOL IsRootNode() override;
    INode* GetParentNode() override { return parent_; }
    int NumberOfChildren() override { return static_cast<int>(Children().size()); }
    INode* GetChildNode(int i) override;
    void AttachChild(INode* child, int keepPos) override;
    // The node's object, its own from now on: a plug-in may change what it
    // is handed, and no other node may see that.
    Object* GetObjectRef() override { return object_.Unshare(); }
    Control* GetTMController() override { return &transform_; }
    Matrix3 GetNodeTM(TimeValue t, Interval* valid) override;
    Matrix3 GetObjectTM(TimeValue t, Interval* valid) override;
    Matrix3 GetObjOffsetTM() override {
        return extras_ != nullptr && extras_->objectOffset ? *extras_->objectOffset : Matrix3();
    }
    void Move(TimeValue t, const Matrix3& axis, const Point3& value, BOOL localOrigin,
              BOOL affectKids, int pivotMode, BOOL ignoreLocks) override;
    void Scale(TimeValue t, const Matrix3& axis, const Point3& value, BOOL localOrigin,
               BOOL affectKids, int pivotMode, BOOL ignoreLocks) override;
    DWORD GetWireColor() override { return wireColor_; }
    void SetWireColor(DWORD color) override { wireColor_ = color & 0xFFFFFF; }
    void SetUserPropFloat(const wchar_t* key, float value) override;
    BOOL GetUserPropFloat(const wchar_t* key, float& value) override;
    // A node's bone settings are kept with its extras once they differ
    // from a new node's: most nodes are never bones.
    void ShowBone(int mode) override {
        if (extras_ != nullptr || mode != kNewBoneDisplay) OwnExtras().boneDisplay = mode;
    }
    void SetBoneNodeOnOff(BOOL on, TimeValue /*t*/) override {
        if (extras_ != nullptr || on != FALSE) OwnExtras().boneOn = on != FALSE;
    }
    BOOL GetBoneNodeOnOff() override { return extras_ != nullptr && extras_->boneOn ? TRUE : FALSE; }

    // What the scene and its documents work with.
    // The name, copied from the scene's store of names.
    std::wstring Name() const { return std::wstring(name_); }
    std::wstring_view NameView() const { return name_; }
    SceneNode* Parent() const { return parent_; }
    const std::vector<SceneNode*>& Children() const;
    // The object, for reading: a point or a sphere may be shared with other
    // nodes. A change goes through GetObjectRef, which gives the node its own.
    SceneObject* HeldObject() const { return object_.get(); }
    TransformController& Transform() { return transform_; }
    const TransformController& Transform() const { return transform_; }
    // The world matrix at `t` in double, before GetNodeTM rounds it.
    PreciseMatrix World(TimeValue t);
    // Whether the world matrix at `t` is kept (for tests of the keeping).
    bool KeepsWorld(TimeValue t) const { return Kept() != nullptr && Kept()->Holds(t); }
    // The user properties in the order first set, their keys held by the
    // scene's PropertyNames.
    const std::vector<std::pair<std::wstring_view, float>>& UserProperties() const;
    // Replaces every user property at once, in the order given (keys
    // distinct and held by the scene's PropertyNames), for documents.
    void SetUserProperties(std::vector<std::pair<std::wstring_view, float>> properties) {
        OwnExtras().userProperties = std::move(properties);
    }
    int BoneDisplay() const { return extras_ != nullptr ? extras_->boneDisplay : kNewBoneDisplay; }
    void SetObjectOffset(const Matrix3& offset) { OwnExtras().objectOffset = offset; }
    // Whether `node` is this node or lies above it.
    bool IsSelfOrAncestor(const SceneNode* node) const;

private:
    friend class Scene;

    // A new node's bone display mode.
    static constexpr int kNewBoneDisplay = 1;

    struct KeptWorld {
        PreciseMatrix matrix;
        TimeValue time = 0;
        bool valid = false;
        bool Holds(TimeValue t) const { return valid && time == t; }
    };
    // What only some nodes have, held apart in one allocation so that a
    // node with none of it (a marker) does not pay for it.
    struct Extras {
        std::vector<SceneNode*> children;
        // Kept by a node with children, made when first computed.
        std::unique_ptr<KeptWorld> world;
        // The identity while unset.
        std::optional<Matrix3> objectOffset;
        // In the order first set.
        std::vector<std::pair<std::wstring_view, float>> userProperties;
        int boneDisplay = kNewBoneDisplay;
        bool boneOn = false;
    };

    void ControllerChanged() override { DropWorld(); }
    // The extras, made when first needed.
    Extras& OwnExtras();
    // The children, made on the first one: most nodes are leaves.
    std::vector<SceneNode*>& OwnChildren() { return OwnExtras().children; }
    // The world matrix this node keeps, or null.
    KeptWorld* Kept() const { return extras_ != nullptr ? extras_->world.get() : nullptr; }
    // The node whose world matrix this one's is composed with: the parent,
    // unless that is the root (or there is none).
    SceneNode* WorldParent() const;
    // The world matrix at `t` from the parent's, which is kept at `t` (or
    // not needed).
    PreciseMatrix WorldFromParent(TimeValue t) const;
    // Computes and keeps the world matrix at `t` from the parent's.
    void KeepWorld(TimeValue t);
    // Drops the world matrix kept by this node and by every node below it
    // that keeps one.
    void DropWorld();

    Scene& scene_;
    SharedObject object_;
    // In the node itself: one allocation a marker.
    TransformController transform_;
    // In the scene's NameText.
    const wchar_t* name_ = L"";
    SceneNode* parent_ = nullptr;
    std::unique_ptr<Extras> extras_;
    ULONG handle_;
    DWORD wireColor_ = 0;
};

class Scene {
public:
    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // The scene the host has open, which the SDK functions act on.
    static Scene& Current();

    // An empty scene with the default settings: 30 frames a second, one
    // millimetre per system unit, time 0, no animation range set.
    void Clear();

    // Settings.
    int FrameRate() const { return frameRate_; }
    // False, and nothing changed, for a rate that does not give whole ticks
    // per frame of at least one.
    bool SetFrameRate(int rate);
    int TicksPerFrame() const { return TIME_TICKSPERSEC / frameRate_; }
    TimeValue Time() const { return time_; }
    void SetTime(TimeValue t) { time_ = t; }
    const std::optional<Interval>& AnimationRange() const { return animationRange_; }
    void SetAnimationRange(std::optional<Interval> range) { animationRange_ = range; }
    double SystemUnitMillimetres() const { return systemUnitMm_; }
    // The system unit's short name ("mm", "cm", "m", "in", "ft", "yd"), or
    // null for a unit of another length.
    const char* SystemUnitName() const;
    // False for a unit that is not a positive finite length.
    bool SetSystemUnitMillimetres(double millimetres);

    // Modes.
    bool Animate() const { return animate_; }
    void SetAnimate(bool on) { animate_ = on; }
    void SuspendAnimate();
    void ResumeAnimate();
    bool SetKeyMode() const { return setKeyMode_; }
    void SuspendSetKeyMode();
    void ResumeSetKeyMode();
    // Suspensions not yet resumed.
    std::size_t AnimateSuspensions() const { return animateStack_.size(); }
    std::size_t SetKeySuspensions() const { return setKeyStack_.size(); }

    // Nodes.
    SceneNode& Root() { return *root_; }
    // The keys of the nodes' user properties, each held once.
    NamePool& PropertyNames() { return propertyNames_; }
    // Every node but the root, in creation order.
    const std::vector<SceneNode*>& Nodes() const { return order_; }
    // A node of `object`, which becomes the scene's. A marker's object (a
    // point or a sphere) like the one the node made before it was given is
    // not kept: the node shares that one (a marker cloud's are all alike).
    SceneNode* CreateNode(std::unique_ptr<SceneObject> object,
                          Class_ID transformClass = PRS_CONTROL_CLASS_ID);
    // A node with a given handle, for documents that keep handles; null when
    // the handle is taken.
    SceneNode* CreateNodeWithHandle(ULONG handle, std::unique_ptr<SceneObject> object,
                                    Class_ID transformClass);
    // Removes `node`; its children move to its parent, keeping their
    // placement relative to the parent.
    void DeleteNode(SceneNode* node);
    // Places every node of the scene under the parent given for it (null:
    // the root), children in the order of `parents`, without changing any
    // node's own transform. For documents, which have checked that the
    // parents are nodes of this scene and form no cycle. Linear time.
    void SetParents(const std::vector<std::pair<SceneNode*, SceneNode*>>& parents);
    SceneNode* FindByHandle(ULONG handle) const;
    // The first node in creation order with this name.
    SceneNode* FindByName(const std::wstring& name) const;
    void MakeNameUnique(std::wstring& name) const;

    // Selection, in the order nodes were selected.
    const std::vector<SceneNode*>& Selection() const { return selection_; }
    void Select(SceneNode* node);
    void ClearSelection() { selection_.clear(); }

private:
    friend class SceneNode;
    static std::wstring_view NameOf(const SceneNode& node) { return node.name_; }
    // A node's entry in the name index, found by its name: taken out before
    // the name changes and put back after.
    void Unindex(SceneNode& node) { byName_.Erase(&node); }
    void Index(SceneNode& node) { byName_.Insert(&node); }
    void IndexHandle(SceneNode& node);
    void UnindexHandle(const SceneNode& node);
    SceneNode* CreateNodeWithHandle(ULONG handle, SharedObject object, Class_ID transformClass);
    // `object`, or the marker's object last given to a node when it is alike.
    SharedObject ShareAlike(std::unique_ptr<SceneObject> object);

    int frameRate_ = 30;
    double systemUnitMm_ = 1.0;
    TimeValue time_ = 0;
    std::optional<Interval> animationRange_;
    bool animate_ = false;
    std::vector<bool> animateStack_;
    bool setKeyMode_ = false;
    std::vector<bool> setKeyStack_;

    // Before the nodes, so that they outlive the views and names nodes hold.
    NamePool propertyNames_;
    NameText nodeNames_;
    std::unique_ptr<SceneNode> root_;
    // Every node but the root, in creation order; the scene owns them.
    std::vector<SceneNode*> order_;
    // Handles are mostly given in turn from 1: a node is found at its
    // handle's place; handles far past the nodes (a document may keep any)
    // are found in the map.
    std::vector<SceneNode*> byHandle_;
    std::unordered_map<ULONG, SceneNode*> bySparseHandle_;
    NameIndex<SceneNode, &Scene::NameOf> byName_;
    std::vector<SceneNode*> selection_;
    ULONG nextHandle_ = 1;
    // The marker's object last given to a node, for the next to share.
    SharedObject lastObject_;
};

}  // namespace brindle::host
