// The host's controllers: position, rotation and scale controllers that keep
// their values as keys, and the transform controller of a node that holds
// one of each.
#pragma once

#include <memory>

#include "brindle/host/scene/KeyTrack.h"
#include "brindle/host/scene/PreciseMatrix.h"
#include "brindle/sdk/SceneObjects.h"

namespace brindle::host {

// Told when a controller's values may have changed, so that what was
// computed from them (a node's world matrix) is computed again.
class ControllerListener {
public:
    virtual void ControllerChanged() = 0;

protected:
    ~ControllerListener() = default;
};

// The classes of the host's value controllers, held as a small number so
// that a controller costs little in a scene of a million markers.
enum class ControllerClass : unsigned char { kPosition, kScale, kEulerXYZ, kTCB };
Class_ID ClassOf(ControllerClass kind);
SClass_ID SuperClassOf(ControllerClass kind);

// How values of one type are combined and interpolated.
template <typename Value>
struct ValueTraits;

template <>
struct ValueTraits<Point3> {
    // Linear between keys.
    static Point3 Interpolate(const Point3& a, const Point3& b, float f);
    // `base` changed by `change` (a relative set).
    static Point3 Compose(const Point3& base, const Point3& change);
    // The change that turns `from` into `to`.
    static Point3 Difference(const Point3& from, const Point3& to);
};

template <>
struct ValueTraits<Quat> {
    // Spherical between keys, the short way round.
    static Quat Interpolate(const Quat& a, const Quat& b, float f);
    // First `base`, then `change` (row-vector matrices multiplied in order).
    static Quat Compose(const Quat& base, const Quat& change);
    static Quat Difference(const Quat& from, const Quat& to);
};

// A controller of one value type. With animate mode on a set value makes or
// replaces the key at its time; with it off the held value is set when there
// are no keys, and otherwise every key changes by what turns the value at
// that time into the new one. A locked controller takes no values.
template <typename Value>
class ValueController : public Control {
public:
    ValueController(ControllerClass kind, Value initial) : kind_(kind), value_(initial) {}

    Class_ID ClassID() override { return ClassOf(kind_); }
    SClass_ID SuperClassID() override { return SuperClassOf(kind_); }
    ControllerClass Kind() const { return kind_; }
    BOOL CanSetValue() override { return locked_ ? FALSE : TRUE; }
    void SetValue(TimeValue t, const void* value, int commit, GetSetMethod method) override;
    void GetValue(TimeValue t, void* value, Interval& valid, GetSetMethod method) override;
    void Copy(Control* from) override;
    int NumKeys() override { return static_cast<int>(track_.Size()); }
    TimeValue GetKeyTime(int i) override;
    void DeleteKeyAtTime(TimeValue t) override {
        if (track_.Delete(t)) Changed();
    }

    // What the scene and its documents work with.
    Value Evaluate(TimeValue t) const;
    Value HeldValue() const { return value_; }
    void SetHeldValue(const Value& value) {
        value_ = value;
        Changed();
    }
    // The keys to change: the listener hears of it now.
    KeyTrack<Value>& Track() {
        Changed();
        return track_;
    }
    const KeyTrack<Value>& Track() const { return track_; }
    bool Locked() const { return locked_; }
    void SetLocked(bool locked) { locked_ = locked; }
    // Sets the value at `t` as SetValue does, with the given animate mode.
    void Set(TimeValue t, const Value& value, bool animate);
    // Who hears of changes to the values; none when null.
    void SetListener(ControllerListener* listener) { listener_ = listener; }
    ControllerListener* Listener() const { return listener_; }

private:
    void Changed() {
        if (listener_ != nullptr) listener_->ControllerChanged();
    }

    ControllerClass kind_;
    bool locked_ = false;
    Value value_;
    KeyTrack<Value> track_;
    ControllerListener* listener_ = nullptr;
};

using PointController = ValueController<Point3>;
using RotationController = ValueController<Quat>;

// New controllers of the host's classes.
std::unique_ptr<PointController> NewPositionController();
std::unique_ptr<PointController> NewScaleController();
// The default rotation controller (Euler XYZ) or the TCB one; null for
// another class.
std::unique_ptr<RotationController> NewRotationController(Class_ID classId);

// A node's transform: scale, then rotation, then position, each from its
// sub-controller. The class is the host's position-rotation-scale
// controller, or one of the biped classes for nodes of a biped. The
// position controller is held in the transform itself; the rotation and
// scale controllers are made when first asked for, since most nodes of a
// marker cloud never turn or scale. Until then the node has the default
// ones' values, and the const accessors show a default controller.
class TransformController : public Control {
public:
    explicit TransformController(Class_ID classId = PRS_CONTROL_CLASS_ID);
    TransformController(const TransformController&) = delete;
    TransformController& operator=(const TransformController&) = delete;

    Class_ID ClassID() override { return classId_; }
    Class_ID TransformClass() const { return classId_; }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    Control* GetPositionController() override { return &position_; }
    Control* GetRotationController() override { return &Rotation(); }
    Control* GetScaleController() override { return &Scale(); }
    BOOL SetRotationController(Control* c) override;
    // A transform takes its values through its sub-controllers.
    void SetValue(TimeValue, const void*, int, GetSetMethod) override {}
    void GetValue(TimeValue t, void* value, Interval& valid, GetSetMethod method) override;
    void Copy(Control* from) override;

    PointController& Position() { return position_; }
    const PointController& Position() const { return position_; }
    // Made when first asked for.
    RotationController& Rotation();
    PointController& Scale();
    // The node's own, or a default controller while it has none of its own.
    const RotationController& Rotation() const;
    const PointController& Scale() const;
    // Whether the node has a rotation or scale controller of its own.
    bool HasOwnRotation() const { return rotation_ != nullptr; }
    bool HasOwnScale() const { return scale_ != nullptr; }
    // Puts `rotation` in place of the rotation controller (none: the default).
    void SetRotation(std::unique_ptr<RotationController> rotation);
    // Who hears of changes to the sub-controllers' values or to which
    // rotation controller is used; none when null.
    void SetListener(ControllerListener* listener);
    // The node's matrix relative to its parent at `t`.
    Matrix3 LocalMatrix(TimeValue t) const { return PreciseLocalMatrix(t).Rounded(); }
    PreciseMatrix PreciseLocalMatrix(TimeValue t) const;

private:
    // The position controller's listener is the transform's: it is set on
    // every sub-controller.
    ControllerListener* Listener() const { return position_.Listener(); }
    void Changed() {
        if (Listener() != nullptr) Listener()->ControllerChanged();
    }

    Class_ID classId_;
    PointController position_;
    std::unique_ptr<RotationController> rotation_;
    std::unique_ptr<PointController> scale_;
};

}  // namespace brindle::host
