#include "brindle/host/scene/Controllers.h"

#include <cmath>

namespace brindle::host {

Class_ID ClassOf(ControllerClass kind) {
    switch (kind) {
        case ControllerClass::kPosition: return LININTERP_POSITION_CLASS_ID;
        case ControllerClass::kScale: return LININTERP_SCALE_CLASS_ID;
        case ControllerClass::kEulerXYZ: return EULER_XYZ_ROTATION_CLASS_ID;
        case ControllerClass::kTCB: break;
    }
    return TCB_ROTATION_CLASS_ID;
}

SClass_ID SuperClassOf(ControllerClass kind) {
    switch (kind) {
        case ControllerClass::kPosition: return CTRL_POSITION_CLASS_ID;
        case ControllerClass::kScale: return CTRL_SCALE_CLASS_ID;
        case ControllerClass::kEulerXYZ:
        case ControllerClass::kTCB: break;
    }
    return CTRL_ROTATION_CLASS_ID;
}

Point3 ValueTraits<Point3>::Interpolate(const Point3& a, const Point3& b, float f) {
    return Point3(a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f);
}

Point3 ValueTraits<Point3>::Compose(const Point3& base, const Point3& change) {
    return Point3(base.x + change.x, base.y + change.y, base.z + change.z);
}

Point3 ValueTraits<Point3>::Difference(const Point3& from, const Point3& to) {
    return Point3(to.x - from.x, to.y - from.y, to.z - from.z);
}

Quat ValueTraits<Quat>::Interpolate(const Quat& a, const Quat& b, float f) {
    double ax = a.x, ay = a.y, az = a.z, aw = a.w;
    double bx = b.x, by = b.y, bz = b.z, bw = b.w;
    double dot = ax * bx + ay * by + az * bz + aw * bw;
    if (dot < 0) {
        bx = -bx, by = -by, bz = -bz, bw = -bw;
        dot = -dot;
    }
    double wa = 1.0 - f, wb = f;
    if (dot < 0.9995) {
        const double theta = std::acos(std::min(dot, 1.0));
        const double s = std::sin(theta);
        wa = std::sin((1.0 - f) * theta) / s;
        wb = std::sin(f * theta) / s;
    }
    double x = wa * ax + wb * bx, y = wa * ay + wb * by, z = wa * az + wb * bz,
           w = wa * aw + wb * bw;
    const double norm = std::sqrt(x * x + y * y + z * z + w * w);
    if (norm > 0) x /= norm, y /= norm, z /= norm, w /= norm;
    return Quat(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                static_cast<float>(w));
}

Quat ValueTraits<Quat>::Compose(const Quat& a, const Quat& b) {
    // The Hamilton product: its matrix is a's matrix times b's.
    const double x = double(a.w) * b.x + double(a.x) * b.w + double(a.y) * b.z - double(a.z) * b.y;
    const double y = double(a.w) * b.y - double(a.x) * b.z + double(a.y) * b.w + double(a.z) * b.x;
    const double z = double(a.w) * b.z + double(a.x) * b.y - double(a.y) * b.x + double(a.z) * b.w;
    const double w = double(a.w) * b.w - double(a.x) * b.x - double(a.y) * b.y - double(a.z) * b.z;
    return Quat(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                static_cast<float>(w));
}

Quat ValueTraits<Quat>::Difference(const Quat& from, const Quat& to) {
    const double norm2 = double(from.x) * from.x + double(from.y) * from.y +
                         double(from.z) * from.z + double(from.w) * from.w;
    if (norm2 == 0) return to;
    const Quat inverse(static_cast<float>(-from.x / norm2), static_cast<float>(-from.y / norm2),
                       static_cast<float>(-from.z / norm2), static_cast<float>(from.w / norm2));
    return Compose(inverse, to);
}

template <typename Value>
void ValueController<Value>::Set(TimeValue t, const Value& value, bool animate) {
    Changed();
    if (animate) {
        track_.Set(t, value);
    } else if (track_.Empty()) {
        value_ = value;
    } else {
        const Value change = ValueTraits<Value>::Difference(Evaluate(t), value);
        track_.ForEachValue([&](Value& key) { key = ValueTraits<Value>::Compose(key, change); });
    }
}

template <typename Value>
void ValueController<Value>::SetValue(TimeValue t, const void* value, int /*commit*/,
                                      GetSetMethod method) {
    if (locked_ || value == nullptr) return;
    const Value& given = *static_cast<const Value*>(value);
    Set(t, method == CTRL_RELATIVE ? ValueTraits<Value>::Compose(Evaluate(t), given) : given,
        Animating() != FALSE);
}

template <typename Value>
void ValueController<Value>::GetValue(TimeValue t, void* value, Interval& valid,
                                      GetSetMethod method) {
    if (value == nullptr) return;
    Value& out = *static_cast<Value*>(value);
    const Value now = Evaluate(t);
    out = method == CTRL_RELATIVE ? ValueTraits<Value>::Compose(out, now) : now;
    valid = track_.Empty() ? Interval(TIME_NegInfinity, TIME_PosInfinity) : Interval(t, t);
}

template <typename Value>
void ValueController<Value>::Copy(Control* from) {
    auto* source = dynamic_cast<ValueController<Value>*>(from);
    if (source == nullptr || source == this) return;
    value_ = source->value_;
    track_ = source->track_;
    Changed();
}

template <typename Value>
TimeValue ValueController<Value>::GetKeyTime(int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= track_.Size()) return 0;
    return track_[static_cast<std::size_t>(i)].time;
}

template <typename Value>
Value ValueController<Value>::Evaluate(TimeValue t) const {
    if (track_.Empty()) return value_;
    bool exact = false;
    const std::ptrdiff_t before = track_.Before(t, exact);
    if (before < 0) return track_[0].value;
    const auto& a = track_[static_cast<std::size_t>(before)];
    if (exact || static_cast<std::size_t>(before) + 1 == track_.Size()) return a.value;
    const auto& b = track_[static_cast<std::size_t>(before) + 1];
    const float f = static_cast<float>(double(t - a.time) / double(b.time - a.time));
    return ValueTraits<Value>::Interpolate(a.value, b.value, f);
}

template class ValueController<Point3>;
template class ValueController<Quat>;

std::unique_ptr<PointController> NewPositionController() {
    return std::make_unique<PointController>(ControllerClass::kPosition, Point3());
}

std::unique_ptr<PointController> NewScaleController() {
    return std::make_unique<PointController>(ControllerClass::kScale, Point3(1, 1, 1));
}

std::unique_ptr<RotationController> NewRotationController(Class_ID classId) {
    if (classId == EULER_XYZ_ROTATION_CLASS_ID) {
        return std::make_unique<RotationController>(ControllerClass::kEulerXYZ, Quat());
    }
    if (classId == TCB_ROTATION_CLASS_ID) {
        return std::make_unique<RotationController>(ControllerClass::kTCB, Quat());
    }
    return nullptr;
}

TransformController::TransformController(Class_ID classId)
    : classId_(classId), position_(ControllerClass::kPosition, Point3()) {}

RotationController& TransformController::Rotation() {
    if (rotation_ == nullptr) {
        rotation_ = NewRotationController(EULER_XYZ_ROTATION_CLASS_ID);
        rotation_->SetListener(Listener());
    }
    return *rotation_;
}

PointController& TransformController::Scale() {
    if (scale_ == nullptr) {
        scale_ = NewScaleController();
        scale_->SetListener(Listener());
    }
    return *scale_;
}

const RotationController& TransformController::Rotation() const {
    static const RotationController kDefault(ControllerClass::kEulerXYZ, Quat());
    return rotation_ != nullptr ? *rotation_ : kDefault;
}

const PointController& TransformController::Scale() const {
    static const PointController kDefault(ControllerClass::kScale, Point3(1, 1, 1));
    return scale_ != nullptr ? *scale_ : kDefault;
}

BOOL TransformController::SetRotationController(Control* c) {
    auto* rotation = dynamic_cast<RotationController*>(c);
    if (rotation == nullptr || rotation == rotation_.get()) return FALSE;
    SetRotation(std::unique_ptr<RotationController>(rotation));
    return TRUE;
}

void TransformController::SetRotation(std::unique_ptr<RotationController> rotation) {
    rotation_ = std::move(rotation);
    if (rotation_ != nullptr) rotation_->SetListener(Listener());
    Changed();
}

void TransformController::SetListener(ControllerListener* listener) {
    position_.SetListener(listener);
    if (rotation_ != nullptr) rotation_->SetListener(listener);
    if (scale_ != nullptr) scale_->SetListener(listener);
}

void TransformController::GetValue(TimeValue t, void* value, Interval& valid,
                                   GetSetMethod /*method*/) {
    if (value != nullptr) *static_cast<Matrix3*>(value) = LocalMatrix(t);
    valid = Interval(t, t);
}

void TransformController::Copy(Control* from) {
    auto* source = dynamic_cast<TransformController*>(from);
    if (source == nullptr || source == this) return;
    position_.Copy(&source->position_);
    if (source->scale_ != nullptr) {
        Scale().Copy(source->scale_.get());
    } else {
        scale_.reset();
    }
    std::unique_ptr<RotationController> rotation;
    if (source->rotation_ != nullptr) {
        rotation = NewRotationController(ClassOf(source->rotation_->Kind()));
        rotation->Copy(source->rotation_.get());
    }
    SetRotation(std::move(rotation));
}

PreciseMatrix TransformController::PreciseLocalMatrix(TimeValue t) const {
    return PreciseMatrix::FromParts(Scale().Evaluate(t), Rotation().Evaluate(t),
                                    position_.Evaluate(t));
}

}  // namespace brindle::host
