#include "brindle/host/scene/Objects.h"

#include <bit>
#include <cstdint>

namespace brindle::host {

ParamBlock::Param* ParamBlock::Find(int id) {
    for (Param& param : params_) {
        if (param.id == id) return &param;
    }
    return nullptr;
}

namespace {

bool SameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

bool SameBits(const Point3& a, const Point3& b) {
    return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

}  // namespace

bool ParamBlock::SameAs(const ParamBlock& other) const {
    if (params_.size() != other.params_.size()) return false;
    for (std::size_t i = 0; i < params_.size(); ++i) {
        const Param& a = params_[i];
        const Param& b = other.params_[i];
        if (a.id != b.id || a.isInt != b.isInt || a.intValue != b.intValue ||
            !SameBits(a.floatValue, b.floatValue)) {
            return false;
        }
    }
    return true;
}

int ParamBlock::IDtoIndex(int id) {
    for (std::size_t i = 0; i < params_.size(); ++i) {
        if (params_[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

BOOL ParamBlock::SetValue(int id, TimeValue /*t*/, float value) {
    Param* param = Find(id);
    if (param == nullptr || param->isInt) return FALSE;
    param->floatValue = value;
    return TRUE;
}

BOOL ParamBlock::SetValue(int id, TimeValue /*t*/, int value) {
    Param* param = Find(id);
    if (param == nullptr || !param->isInt) return FALSE;
    param->intValue = value;
    return TRUE;
}

float ParamBlock::GetFloat(int id, TimeValue /*t*/) {
    const Param* param = Find(id);
    return param != nullptr && !param->isInt ? param->floatValue : 0.0f;
}

int ParamBlock::GetInt(int id, TimeValue /*t*/) {
    const Param* param = Find(id);
    return param != nullptr && param->isInt ? param->intValue : 0;
}

void SceneObject::SetBox(const Box3& box) {
    if (IsDummy()) box_ = box;
}

bool SceneObject::SameAs(const SceneObject& other) const {
    return superClassId_ == other.superClassId_ && classId_ == other.classId_ &&
           block_.SameAs(other.block_) && SameBits(box_.pmin, other.box_.pmin) &&
           SameBits(box_.pmax, other.box_.pmax);
}

std::unique_ptr<SceneObject> SceneObject::Copy() const {
    auto copy = std::make_unique<SceneObject>(superClassId_, classId_);
    copy->block_ = block_;
    copy->box_ = box_;
    return copy;
}

SceneObject* SharedObject::Unshare() {
    if (Shared()) *this = SharedObject(object_->Copy());
    return object_;
}

std::unique_ptr<SceneObject> NewSceneObject(SClass_ID superClassId, Class_ID classId) {
    auto object = std::make_unique<SceneObject>(superClassId, classId);
    ParamBlock& block = object->Block();
    if (superClassId == GEOMOBJECT_CLASS_ID && classId == BONE_OBJ_CLASSID) {
        block.Reserve(4);
        block.AddFloat(kBoneWidth, 10.0f);
        block.AddFloat(kBoneHeight, 10.0f);
        block.AddFloat(kBoneTaper, 0.9f);
        block.AddFloat(kBoneLength, 10.0f);
    } else if (superClassId == GEOMOBJECT_CLASS_ID && classId == SPHERE_CLASS_ID) {
        block.Reserve(7);
        block.AddFloat(kSphereRadius, 25.0f);
        block.AddInt(kSphereSegments, 32);
        block.AddInt(kSphereSmooth, 1);
        block.AddFloat(kSphereHemisphere, 0.0f);
        block.AddInt(kSphereChop, 0);
        block.AddInt(kSphereRecenter, 0);
        block.AddInt(kSphereMapping, 0);
    } else if (superClassId == HELPER_CLASS_ID && classId == POINTHELP_CLASS_ID) {
        block.AddFloat(kPointSize, 20.0f);
    } else if (superClassId == HELPER_CLASS_ID && classId == DUMMY_CLASS_ID) {
        object->SetBox({Point3(-10, -10, -10), Point3(10, 10, 10)});
    } else if (superClassId == CAMERA_CLASS_ID && classId == TARGET_CAMERA_CLASS_ID) {
        block.AddFloat(0, 45.0f);  // field of view in degrees
    } else if (superClassId == LIGHT_CLASS_ID && classId == OMNI_LIGHT_CLASS_ID) {
        block.AddFloat(0, 1.0f);  // multiplier
    } else {
        return nullptr;
    }
    return object;
}

const char* ObjectKind(Animatable& object) {
    const Class_ID id = object.ClassID();
    if (id == BONE_OBJ_CLASSID) return "bone";
    if (id == DUMMY_CLASS_ID) return "dummy";
    if (id == SPHERE_CLASS_ID) return "sphere";
    if (id == POINTHELP_CLASS_ID) return "point";
    if (object.SuperClassID() == CAMERA_CLASS_ID) return "camera";
    if (object.SuperClassID() == LIGHT_CLASS_ID) return "light";
    return "object";
}

}  // namespace brindle::host
