// The host's scene objects that modules create or must recognise: bones,
// dummies, spheres, point helpers, cameras and lights, each with the
// parameters it keeps in its first parameter block.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "brindle/sdk/SceneObjects.h"

namespace brindle::host {

// A parameter block: parameters by id, each a float or an integer. Values
// have no animation; the time given is ignored.
class ParamBlock : public IParamBlock2 {
public:
    struct Param {
        int id;
        bool isInt;
        float floatValue;
        int intValue;
    };

    void AddFloat(int id, float value) { params_.push_back({id, false, value, 0}); }
    void AddInt(int id, int value) { params_.push_back({id, true, 0.0f, value}); }
    const std::vector<Param>& Params() const { return params_; }
    // Room for `count` parameters, so that a block of many made one after
    // another (a marker each) is allocated once at its size.
    void Reserve(std::size_t count) { params_.reserve(count); }

    // The same parameters in the same order, floats alike to the bit (0 and
    // -0 differ in a document).
    bool SameAs(const ParamBlock& other) const;

    int IDtoIndex(int id) override;
    BOOL SetValue(int id, TimeValue t, float value) override;
    BOOL SetValue(int id, TimeValue t, int value) override;
    float GetFloat(int id, TimeValue t) override;
    int GetInt(int id, TimeValue t) override;

private:
    Param* Find(int id);
    std::vector<Param> params_;
};


// What every host object shares: its class and one parameter block.
class SceneObject : public DummyObject {
public:
    SceneObject(SClass_ID superClassId, Class_ID classId)
        : superClassId_(superClassId), classId_(classId) {}

    Class_ID ClassID() override { return classId_; }
    SClass_ID SuperClassID() override { return superClassId_; }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? &block_ : nullptr; }
    // Only dummies have a box; for other objects these do nothing.
    void SetBox(const Box3& box) override;
    Box3 GetBox() override { return box_; }

    ParamBlock& Block() { return block_; }
    bool IsDummy() const { return classId_ == DUMMY_CLASS_ID; }
    // Whether `other` is of the same class with the same parameters and box,
    // so that one object may stand for both.
    bool SameAs(const SceneObject& other) const;
    // A copy of this object that no node shares yet.
    std::unique_ptr<SceneObject> Copy() const;

private:
    friend class SharedObject;

    SClass_ID superClassId_;
    Class_ID classId_;
    int holders_ = 0;  // the SharedObjects that hold this object
    ParamBlock block_;
    Box3 box_;
};

// An object that several nodes may hold at once (a marker cloud's points
// are all alike): the last holder to let go deletes it. A holder that is
// about to change its object takes a copy of its own first (Unshare), so a
// change to one node's object never shows in another's.
class SharedObject {
public:
    SharedObject() = default;
    explicit SharedObject(std::unique_ptr<SceneObject> object) : object_(object.release()) {
        Hold();
    }
    SharedObject(const SharedObject& other) : object_(other.object_) { Hold(); }
    SharedObject(SharedObject&& other) noexcept : object_(other.object_) {
        other.object_ = nullptr;
    }
    SharedObject& operator=(SharedObject other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~SharedObject() { Release(); }

    SceneObject* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Whether another holder holds the same object.
    bool Shared() const { return object_ != nullptr && object_->holders_ > 1; }
    // Makes the object this holder's alone, copying it when it is shared;
    // returns it.
    SceneObject* Unshare();

private:
    void Hold() {
        if (object_ != nullptr) ++object_->holders_;
    }
    void Release() {
        if (object_ != nullptr && --object_->holders_ == 0) delete object_;
        object_ = nullptr;
    }

    SceneObject* object_ = nullptr;
};

// Parameter ids of the host's objects.
enum BoneParam { kBoneWidth = 0, kBoneHeight = 1, kBoneTaper = 2, kBoneLength = 3 };
enum SphereParam {
    kSphereRadius = 0,
    kSphereSegments = 1,
    kSphereSmooth = 2,
    kSphereHemisphere = 3,
    kSphereChop = 4,
    kSphereRecenter = 5,
    kSphereMapping = 6,
};
enum PointParam { kPointSize = 0 };

// A new object of the class with its default parameters; null when the host
// has no such class.
std::unique_ptr<SceneObject> NewSceneObject(SClass_ID superClassId, Class_ID classId);

// What a document or a listing calls the object's kind: "bone", "dummy",
// "sphere", "point", "camera", "light", or "object".
const char* ObjectKind(Animatable& object);

}  // namespace brindle::host
