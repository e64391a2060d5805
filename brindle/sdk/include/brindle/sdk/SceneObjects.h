// What a scene is made of, as modules see it: objects with parameter blocks,
// controllers with keys, and nodes that place objects in the scene.
#pragma once

#include <string>

#include "brindle/sdk/Animation.h"
#include "brindle/sdk/ClassDesc.h"
#include "brindle/sdk/Geometry.h"

// Super classes of scene objects and controllers.
constexpr SClass_ID GEOMOBJECT_CLASS_ID = 0x10;
constexpr SClass_ID CAMERA_CLASS_ID = 0x20;
constexpr SClass_ID LIGHT_CLASS_ID = 0x30;
constexpr SClass_ID SHAPE_CLASS_ID = 0x40;
constexpr SClass_ID HELPER_CLASS_ID = 0x50;
constexpr SClass_ID CTRL_MATRIX3_CLASS_ID = 0x9008;
constexpr SClass_ID CTRL_POSITION_CLASS_ID = 0x900B;
constexpr SClass_ID CTRL_ROTATION_CLASS_ID = 0x900C;
constexpr SClass_ID CTRL_SCALE_CLASS_ID = 0x900D;

// Classes of the host's own objects and controllers.
constexpr Class_ID BONE_OBJ_CLASSID(0x28BF6E8D, 0x2ECCA840);
constexpr Class_ID DUMMY_CLASS_ID(0x876234, 0);
constexpr Class_ID SPHERE_CLASS_ID(0x11, 0);
constexpr Class_ID POINTHELP_CLASS_ID(0x2013, 0);
constexpr Class_ID TARGET_CAMERA_CLASS_ID(0x1001, 0);
constexpr Class_ID OMNI_LIGHT_CLASS_ID(0x1011, 0);
constexpr Class_ID PRS_CONTROL_CLASS_ID(0x2005, 0);
constexpr Class_ID LININTERP_POSITION_CLASS_ID(0x2002, 0);
constexpr Class_ID EULER_XYZ_ROTATION_CLASS_ID(0x2012, 0);
constexpr Class_ID TCB_ROTATION_CLASS_ID(0x442313, 0);
constexpr Class_ID LININTERP_SCALE_CLASS_ID(0x2010, 0);
// The transform controllers of the character-animation system's bipeds.
constexpr Class_ID BIPSLAVE_CONTROL_CLASS_ID(0x9154, 0);
constexpr Class_ID BIPBODY_CONTROL_CLASS_ID(0x9156, 0);
constexpr Class_ID FOOTPRINT_CLASS_ID(0x3011, 0);
constexpr Class_ID BIPED_MASTER_CLASS_ID(0x9155, 0);

// Anything of the scene with a class.
class Animatable {
public:
    virtual ~Animatable() = default;
    virtual Class_ID ClassID() = 0;
    virtual SClass_ID SuperClassID() = 0;
};

// An object's animatable parameters, addressed by parameter id.
class IParamBlock2 {
public:
    virtual ~IParamBlock2() = default;
    // The index of the parameter with this id; -1 when it has none.
    virtual int IDtoIndex(int id) = 0;
    // False when the block has no such parameter or it is of another type.
    virtual BOOL SetValue(int id, TimeValue t, float value) = 0;
    virtual BOOL SetValue(int id, TimeValue t, int value) = 0;
    virtual float GetFloat(int id, TimeValue t) = 0;
    virtual int GetInt(int id, TimeValue t) = 0;
};

class Object : public Animatable {
public:
    virtual int NumParamBlocks() { return 0; }
    // Parameter block `i`, or null.
    virtual IParamBlock2* GetParamBlock(int /*i*/) { return nullptr; }
};

// The host's dummy helper: a box that marks a place.
class DummyObject : public Object {
public:
    virtual void SetBox(const Box3& box) = 0;
    virtual Box3 GetBox() = 0;
};

// How SetValue combines the value with what the controller holds.
enum GetSetMethod { CTRL_RELATIVE, CTRL_ABSOLUTE };

// A controller: a value over time, held as keys. Position controllers take
// and give Point3, rotation controllers Quat, scale controllers Point3. The
// transform controller of a node has the three as sub-controllers.
class Control : public Animatable {
public:
    virtual Control* GetPositionController() { return nullptr; }
    virtual Control* GetRotationController() { return nullptr; }
    virtual Control* GetScaleController() { return nullptr; }
    // Installs `c` as the rotation sub-controller; false when refused (the
    // caller keeps `c`). The old controller is destroyed.
    virtual BOOL SetRotationController(Control* /*c*/) { return FALSE; }

    // Whether values can be set on this controller now; when false, SetValue
    // changes nothing.
    virtual BOOL CanSetValue() { return FALSE; }
    // Sets the value at `t`: a key with animate mode on, else the value
    // without a key. `value` points at the controller's value type.
    virtual void SetValue(TimeValue t, const void* value, int commit = 1,
                          GetSetMethod method = CTRL_ABSOLUTE) = 0;
    // The value at `t` (exactly the key's value at a key).
    virtual void GetValue(TimeValue t, void* value, Interval& valid,
                          GetSetMethod method = CTRL_ABSOLUTE) = 0;
    // Takes over the value and keys of `from` when it holds the same kind of
    // value; keys are kept as they are.
    virtual void Copy(Control* from) = 0;

    virtual int NumKeys() { return 0; }
    // The time of key `i` (keys are in time order); 0 when out of range.
    virtual TimeValue GetKeyTime(int /*i*/) { return 0; }
    // Removes the key at exactly `t`, if there is one.
    virtual void DeleteKeyAtTime(TimeValue /*t*/) {}
};

// Pivot handling of INode::Move and INode::Scale.
constexpr int PIV_NONE = 0;

class INode {
public:
    virtual ~INode() = default;
    virtual ULONG GetHandle() = 0;
    virtual const wchar_t* GetName() = 0;
    virtual void SetName(const wchar_t* name) = 0;
    virtual BOOL IsRootNode() = 0;

    // The parent node: the scene's root node for a top-level node, null for
    // the root node itself.
    virtual INode* GetParentNode() = 0;
    virtual int NumberOfChildren() = 0;
    virtual INode* GetChildNode(int i) = 0;
    // Makes `child` a child of this node (last in order). With `keepPos` the
    // child's world placement at the current time is kept; without, its
    // placement relative to its parent is. A node never becomes a child of
    // itself or of a node below it.
    virtual void AttachChild(INode* child, int keepPos = 1) = 0;

    virtual Object* GetObjectRef() = 0;
    virtual Control* GetTMController() = 0;

    // The node's world matrix at `t`.
    virtual Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr) = 0;
    // The world matrix of the node's object: the object-offset transform
    // followed by the node's world matrix.
    virtual Matrix3 GetObjectTM(TimeValue t, Interval* valid = nullptr) = 0;
    virtual Matrix3 GetObjOffsetTM() = 0;

    // Moves the node by `value` given in the axes of `axis` (its rotation;
    // its translation is ignored) at `t`.
    virtual void Move(TimeValue t, const Matrix3& axis, const Point3& value,
                      BOOL localOrigin = FALSE, BOOL affectKids = TRUE, int pivotMode = PIV_NONE,
                      BOOL ignoreLocks = FALSE) = 0;
    // Multiplies the node's scale by `value`, taken in the axes of `axis`.
    virtual void Scale(TimeValue t, const Matrix3& axis, const Point3& value,
                       BOOL localOrigin = FALSE, BOOL affectKids = TRUE, int pivotMode = PIV_NONE,
                       BOOL ignoreLocks = FALSE) = 0;

    // Wire colour: red in bits 0-7, green 8-15, blue 16-23.
    virtual DWORD GetWireColor() = 0;
    virtual void SetWireColor(DWORD color) = 0;

    // Float user properties by key; GetUserPropFloat is false when missing.
    virtual void SetUserPropFloat(const wchar_t* key, float value) = 0;
    virtual BOOL GetUserPropFloat(const wchar_t* key, float& value) = 0;

    // Bone display: shows the node's links as bones (0: as the object).
    virtual void ShowBone(int mode) = 0;
    virtual void SetBoneNodeOnOff(BOOL on, TimeValue t) = 0;
    virtual BOOL GetBoneNodeOnOff() = 0;
};
