#include "scene/NodeReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>

#include "brindle/sdk/TextCodec.h"
#include "scene/DocumentError.h"
#include "scene/DocumentValues.h"

namespace brindle::host {
namespace {

// The N floats of an array of N numbers.
template <std::size_t N>
std::array<float, N> FloatsOf(TreeValue value, const Place& at, std::string_view what) {
    TreeValue item = Array(value, at, what, N).First();
    std::array<float, N> numbers;
    for (float& number : numbers) {
        number = Float(item.AsScalar(), at, what);
        item = item.Next();
    }
    return numbers;
}

Point3 PointOf(TreeValue value, const Place& at, std::string_view what) {
    const auto xyz = FloatsOf<3>(value, at, what);
    return Point3(xyz[0], xyz[1], xyz[2]);
}

Quat QuatOf(TreeValue value, const Place& at, std::string_view what) {
    const auto xyzw = FloatsOf<4>(value, at, what);
    return Quat(xyzw[0], xyzw[1], xyzw[2], xyzw[3]);
}

Class_ID ClassIdOf(TreeValue value, const Place& at, std::string_view what) {
    const TreeValue first = Array(value, at, what, 2).First();
    const auto a = Integer(first.AsScalar(), at, what, 0, 0xFFFFFFFFll);
    const auto b = Integer(first.Next().AsScalar(), at, what, 0, 0xFFFFFFFFll);
    return Class_ID(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b));
}

enum ControllerField { kController, kValue, kLocked, kTicks, kValues, kKeys, kControllerFields };
constexpr std::array<std::string_view, kControllerFields> kControllerNames = {
    "controller", "value", "locked", "ticks", "values", "keys"};

// Reads a controller around its keys, which the plan already holds.
template <typename Value>
void ReadController(TreeValue value, const Place& node, const char* field,
                    ControllerPlan<Value>& plan) {
    const Place at = node.Member(field);
    Object(value, node, field);
    std::array<TreeValue, kControllerFields> member;
    value.Members(kControllerNames, member);
    if (const TreeValue kind = member[kController]) {
        const std::string_view name = String(kind.AsScalar(), at, "controller");
        if constexpr (std::is_same_v<Value, Quat>) {
            if (name != "euler_xyz" && name != "tcb") {
                at.Fail("controller \"" + Printable(name) +
                        "\" is not a rotation controller (euler_xyz or tcb)");
            }
            plan.tcb = name == "tcb";
        } else {
            const char* expected =
                std::string_view(field) == "scale" ? "linear_scale" : "linear_position";
            if (name != expected) {
                at.Fail("controller \"" + Printable(name) + "\" is not " + expected);
            }
        }
    }
    if (const TreeValue held = member[kValue]) {
        if constexpr (std::is_same_v<Value, Quat>) {
            plan.value = QuatOf(held, at, "value");
        } else {
            plan.value = PointOf(held, at, "value");
        }
    }
    if (const TreeValue locked = member[kLocked]) {
        plan.locked = Bool(locked.AsScalar(), at, "locked");
    }
    // The keys went straight into the plan as the document was read; an
    // array was taken there, anything else stays here.
    for (const int keys : {kTicks, kValues, kKeys}) {
        if (member[keys])
            Array(member[keys], at, kControllerNames[keys]);
    }
    if (!plan.keysProblem.empty())
        at.Fail(plan.keysProblem);
}

// Sets the parameters listed in `params` ("id": value) on the object's block.
void ReadParams(TreeValue params, const Place& at, ParamBlock& block) {
    Object(params, at, "params");
    for (TreeValue param = params.First(); param; param = param.Next()) {
        const std::string_view id = param.Key();
        int number = 0;
        const auto parsed = std::from_chars(id.data(), id.data() + id.size(), number);
        const std::string what = "params \"" + Printable(id) + "\"";
        if (parsed.ec != std::errc() || parsed.ptr != id.data() + id.size() || id.empty()) {
            at.Fail(what + ": not a parameter id");
        }
        const int index = block.IDtoIndex(number);
        if (index < 0)
            at.Fail(what + ": the object has no such parameter");
        if (block.Params()[static_cast<std::size_t>(index)].isInt) {
            block.SetValue(
                number, 0,
                static_cast<int>(Integer(param.AsScalar(), at, what, INT32_MIN, INT32_MAX)));
        } else {
            block.SetValue(number, 0, Float(param.AsScalar(), at, what));
        }
    }
}

enum ObjectField {
    kClassId,
    kSuperClassId,
    kKind,
    kLength,
    kWidth,
    kHeight,
    kTaper,
    kBoxMin,
    kBoxMax,
    kRadius,
    kSize,
    kParams,
    kObjectFields
};
constexpr std::array<std::string_view, kObjectFields> kObjectNames = {
    "class_id", "super_class_id", "kind",    "length", "width", "height",
    "taper",    "box_min",        "box_max", "radius", "size",  "params"};

std::unique_ptr<SceneObject> ReadObject(TreeValue value, const Place& node) {
    if (value.Kind() == ValueKind::Null)
        return nullptr;
    const Place at = node.Member("object");
    Object(value, node, "object");
    std::array<TreeValue, kObjectFields> member;
    value.Members(kObjectNames, member);
    if (!member[kClassId] || !member[kSuperClassId]) {
        at.Fail("needs \"class_id\" and \"super_class_id\"");
    }
    const Class_ID classId = ClassIdOf(member[kClassId], at, "class_id");
    const auto superClassId = static_cast<SClass_ID>(
        Integer(member[kSuperClassId].AsScalar(), at, "super_class_id", 0, 0xFFFFFFFFll));
    auto object = NewSceneObject(superClassId, classId);
    if (object == nullptr)
        at.Fail("the host has no object of this class");
    const std::string kind = ObjectKind(*object);
    if (const TreeValue named = member[kKind]) {
        const std::string_view given = String(named.AsScalar(), at, "kind");
        if (given != kind) {
            at.Fail("kind \"" + Printable(given) + "\" does not match the class (" + kind + ")");
        }
    }
    ParamBlock& block = object->Block();
    const auto setFloat = [&](int field, int id) {
        if (const TreeValue given = member[field]) {
            block.SetValue(id, 0, Float(given.AsScalar(), at, kObjectNames[field]));
        }
    };
    if (kind == "bone") {
        setFloat(kLength, kBoneLength);
        setFloat(kWidth, kBoneWidth);
        setFloat(kHeight, kBoneHeight);
        setFloat(kTaper, kBoneTaper);
    } else if (kind == "dummy") {
        Box3 box = object->GetBox();
        if (member[kBoxMin])
            box.pmin = PointOf(member[kBoxMin], at, "box_min");
        if (member[kBoxMax])
            box.pmax = PointOf(member[kBoxMax], at, "box_max");
        object->SetBox(box);
    } else if (kind == "sphere") {
        setFloat(kRadius, kSphereRadius);
    } else if (kind == "point") {
        setFloat(kSize, kPointSize);
    }
    if (member[kParams])
        ReadParams(member[kParams], at, block);
    return object;
}

// The pool's copy of `key` as wide text. A short ASCII key, as every key
// the host writes is, is widened in place rather than decoded into a string
// of its own.
std::wstring_view PropertyName(std::string_view key, NamePool& names) {
    constexpr std::size_t kShort = 64;
    if (key.size() <= kShort && std::all_of(key.begin(), key.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        })) {
        wchar_t wide[kShort];
        std::copy(key.begin(), key.end(), wide);
        return names.Intern(std::wstring_view(wide, key.size()));
    }
    return names.Intern(TextCodec::DecodeUtf8(key));
}

void ReadProperties(TreeValue properties, const Place& at, NodePlan& plan, NamePool& names) {
    Object(properties, at, "user_properties");
    plan.properties.reserve(properties.Size());
    // The tree has no repeated keys, so the properties are distinct.
    for (TreeValue property = properties.First(); property; property = property.Next()) {
        const std::string_view key = property.Key();
        const Scalar number = property.AsScalar();
        // The property's name goes into a message only when one is said.
        const auto what = [&key] { return "user property \"" + Printable(key) + "\""; };
        if (key.find('\0') != std::string_view::npos) {
            at.Fail(what() + " contains a NUL character");
        }
        float held = 0.0f;
        if (!FitsFloat(number, held)) held = Float(number, at, what());
        plan.properties.emplace_back(PropertyName(key, names), held);
    }
}

enum NodeField {
    kName,
    kHandle,
    kObject,
    kWireColor,
    kProperties,
    kPosition,
    kRotation,
    kScale,
    kTransform,
    kBoneOn,
    kBoneDisplay,
    kObjectOffset,
    kParentHandle,
    kParent,
    kNodeFields
};
constexpr std::array<std::string_view, kNodeFields> kNodeNames = {
    "name",          "handle",          "object",
    "wire_color",    "user_properties", "position",
    "rotation",      "scale",           "transform_class_id",
    "bone_on",       "bone_display",    "object_offset",
    "parent_handle", "parent"};

}  // namespace

void ReadNode(TreeValue node, std::size_t index, NodePlan& plan, ParentRef& parent,
              NamePool& names) {
    Place at = Place::Node(index);
    Object(node, at, "the node");
    std::array<TreeValue, kNodeFields> member;
    node.Members(kNodeNames, member);
    if (!member[kName])
        at.Fail("has no \"name\"");
    plan.name = Name(member[kName].AsScalar(), at, "name");
    at = Place::Node(index, member[kName].AsScalar().text);
    if (!member[kHandle])
        at.Fail("has no \"handle\"");
    plan.handle =
        static_cast<ULONG>(Integer(member[kHandle].AsScalar(), at, "handle", 1, 0xFFFFFFFEll));
    if (member[kObject])
        plan.object = ReadObject(member[kObject], at);
    if (member[kWireColor]) {
        plan.wireColor = static_cast<DWORD>(
            Integer(member[kWireColor].AsScalar(), at, "wire_color", 0, 0xFFFFFF));
    }
    if (member[kProperties])
        ReadProperties(member[kProperties], at, plan, names);
    if (member[kPosition])
        ReadController(member[kPosition], at, "position", plan.position);
    if (member[kRotation])
        ReadController(member[kRotation], at, "rotation", plan.rotation);
    if (member[kScale])
        ReadController(member[kScale], at, "scale", plan.scale);
    if (member[kTransform]) {
        plan.transformClass = ClassIdOf(member[kTransform], at, "transform_class_id");
    }
    if (member[kBoneOn])
        plan.boneOn = Bool(member[kBoneOn].AsScalar(), at, "bone_on");
    if (member[kBoneDisplay]) {
        plan.boneDisplay = static_cast<int>(
            Integer(member[kBoneDisplay].AsScalar(), at, "bone_display", INT32_MIN, INT32_MAX));
    }
    if (member[kObjectOffset]) {
        TreeValue row = Array(member[kObjectOffset], at, "object_offset", 4).First();
        for (int i = 0; i < 4; ++i, row = row.Next()) {
            plan.objectOffset.SetRow(i, PointOf(row, at, "object_offset"));
        }
    }
    // The handle, when the node gives one, names the parent; else the name.
    for (const int field : {kParentHandle, kParent}) {
        if (const TreeValue given = member[field]) {
            parent.field = field == kParent ? "parent" : "parent_handle";
            parent.value = given.AsScalar();
            parent.text = parent.value.text;
            parent.value.text = {};
            break;
        }
    }
}

}  // namespace brindle::host
