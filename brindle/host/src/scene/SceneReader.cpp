#include "scene/SceneReader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scene/DocumentError.h"
#include "scene/DocumentNumbers.h"
#include "scene/SceneDocumentForm.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

const Json* Member(const Json& object, const char* name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::string TypeName(const Json& value) {
    if (value.is_number()) return "a number";
    if (value.is_string()) return "a string";
    if (value.is_boolean()) return "true or false";
    if (value.is_array()) return "an array";
    if (value.is_object()) return "an object";
    return "null";
}

long long Integer(const Json& value, const Place& at, const std::string& what, long long min,
                  long long max) {
    long long number = 0;
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(max)) {
            at.Fail(what + " " + std::to_string(u) + " is out of range (" + std::to_string(min) +
                    " to " + std::to_string(max) + ")");
        }
        number = static_cast<long long>(u);
    } else if (value.is_number_integer()) {
        number = value.get<long long>();
    } else {
        at.Fail(what + " must be an integer, not " + TypeName(value));
    }
    if (number < min || number > max) {
        at.Fail(what + " " + std::to_string(number) + " is out of range (" + std::to_string(min) +
                " to " + std::to_string(max) + ")");
    }
    return number;
}

double Double(const Json& value, const Place& at, const std::string& what) {
    if (!value.is_number()) at.Fail(what + " must be a number, not " + TypeName(value));
    const double number = value.get<double>();
    if (!std::isfinite(number)) at.Fail(what + " is not a finite number");
    return number;
}

float Float(const Json& value, const Place& at, const std::string& what) {
    float number = 0.0f;
    if (!FloatOf(Double(value, at, what), number)) at.Fail(what + " is too large for a float");
    return number;
}

const Json::array_t& Array(const Json& value, const Place& at, const std::string& what,
                           std::size_t size = 0) {
    if (!value.is_array()) at.Fail(what + " must be an array, not " + TypeName(value));
    const auto& items = value.get_ref<const Json::array_t&>();
    if (size != 0 && items.size() != size) {
        at.Fail(what + " must have " + std::to_string(size) + " elements, not " +
                std::to_string(items.size()));
    }
    return items;
}

// The float a finite number holds when it fits one; false, saying nothing,
// for anything else (Float says what is wrong).
bool FitsFloat(const Json& value, float& number) {
    if (!value.is_number()) return false;
    const double held = value.get<double>();
    return std::isfinite(held) && FloatOf(held, number);
}

bool Bool(const Json& value, const Place& at, const std::string& what) {
    if (!value.is_boolean()) at.Fail(what + " must be true or false, not " + TypeName(value));
    return value.get<bool>();
}

const std::string& String(const Json& value, const Place& at, const std::string& what) {
    if (!value.is_string()) at.Fail(what + " must be a string, not " + TypeName(value));
    return value.get_ref<const std::string&>();
}

// Wide text of a name the host keeps; it cannot hold a NUL character.
std::wstring Name(const Json& value, const Place& at, const std::string& what) {
    const std::string& utf8 = String(value, at, what);
    if (utf8.find('\0') != std::string::npos) at.Fail(what + " contains a NUL character");
    return TextCodec::DecodeUtf8(utf8);
}

Point3 PointOf(const Json& value, const Place& at, const std::string& what) {
    const auto& items = Array(value, at, what, 3);
    return Point3(Float(items[0], at, what), Float(items[1], at, what),
                  Float(items[2], at, what));
}

Quat QuatOf(const Json& value, const Place& at, const std::string& what) {
    const auto& items = Array(value, at, what, 4);
    return Quat(Float(items[0], at, what), Float(items[1], at, what), Float(items[2], at, what),
                Float(items[3], at, what));
}

Class_ID ClassIdOf(const Json& value, const Place& at, const std::string& what) {
    const auto& items = Array(value, at, what, 2);
    return Class_ID(static_cast<std::uint32_t>(Integer(items[0], at, what, 0, 0xFFFFFFFFll)),
                    static_cast<std::uint32_t>(Integer(items[1], at, what, 0, 0xFFFFFFFFll)));
}

const Json& Object(const Json& value, const Place& at, const std::string& what) {
    if (!value.is_object()) at.Fail(what + " must be an object, not " + TypeName(value));
    return value;
}

// Reads a controller around its keys, which the plan already holds.
template <typename Value>
void ReadController(const Json& value, const Place& node, const char* field,
                    ControllerPlan<Value>& plan) {
    const Place at{node.prefix + field + ": "};
    Object(value, node, field);
    if (const Json* kind = Member(value, "controller")) {
        const std::string& name = String(*kind, at, "controller");
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
    constexpr std::size_t kWidth = std::is_same_v<Value, Quat> ? 4 : 3;
    if (const Json* held = Member(value, "value")) {
        if constexpr (kWidth == 4) {
            plan.value = QuatOf(*held, at, "value");
        } else {
            plan.value = PointOf(*held, at, "value");
        }
    }
    if (const Json* locked = Member(value, "locked")) plan.locked = Bool(*locked, at, "locked");
    // The keys went straight into the plan as the document was read; an
    // array was taken there, anything else stays here.
    for (const char* field : {"ticks", "values", "keys"}) {
        if (const Json* keys = Member(value, field)) Array(*keys, at, field);
    }
    if (!plan.keysProblem.empty()) at.Fail(plan.keysProblem);
}

// Sets the parameters listed in `params` ("id": value) on the object's block.
void ReadParams(const Json& params, const Place& at, ParamBlock& block) {
    Object(params, at, "params");
    for (const auto& [id, value] : params.items()) {
        int number = 0;
        const auto parsed = std::from_chars(id.data(), id.data() + id.size(), number);
        const std::string what = "params \"" + Printable(id) + "\"";
        if (parsed.ec != std::errc() || parsed.ptr != id.data() + id.size() || id.empty()) {
            at.Fail(what + ": not a parameter id");
        }
        const int index = block.IDtoIndex(number);
        if (index < 0) at.Fail(what + ": the object has no such parameter");
        if (block.Params()[static_cast<std::size_t>(index)].isInt) {
            block.SetValue(number, 0,
                           static_cast<int>(Integer(value, at, what, INT32_MIN, INT32_MAX)));
        } else {
            block.SetValue(number, 0, Float(value, at, what));
        }
    }
}

std::unique_ptr<SceneObject> ReadObject(const Json& value, const Place& node) {
    if (value.is_null()) return nullptr;
    const Place at{node.prefix + "object: "};
    Object(value, node, "object");
    const Json* classField = Member(value, "class_id");
    const Json* superField = Member(value, "super_class_id");
    if (classField == nullptr || superField == nullptr) {
        at.Fail("needs \"class_id\" and \"super_class_id\"");
    }
    const Class_ID classId = ClassIdOf(*classField, at, "class_id");
    const auto superClassId =
        static_cast<SClass_ID>(Integer(*superField, at, "super_class_id", 0, 0xFFFFFFFFll));
    auto object = NewSceneObject(superClassId, classId);
    if (object == nullptr) at.Fail("the host has no object of this class");
    const std::string kind = ObjectKind(*object);
    if (const Json* named = Member(value, "kind")) {
        const std::string& given = String(*named, at, "kind");
        if (given != kind) {
            at.Fail("kind \"" + Printable(given) + "\" does not match the class (" +
                    kind + ")");
        }
    }
    ParamBlock& block = object->Block();
    const auto setFloat = [&](const char* field, int id) {
        if (const Json* given = Member(value, field)) {
            block.SetValue(id, 0, Float(*given, at, field));
        }
    };
    if (kind == "bone") {
        setFloat("length", kBoneLength);
        setFloat("width", kBoneWidth);
        setFloat("height", kBoneHeight);
        setFloat("taper", kBoneTaper);
    } else if (kind == "dummy") {
        Box3 box = object->GetBox();
        if (const Json* low = Member(value, "box_min")) box.pmin = PointOf(*low, at, "box_min");
        if (const Json* high = Member(value, "box_max")) box.pmax = PointOf(*high, at, "box_max");
        object->SetBox(box);
    } else if (kind == "sphere") {
        setFloat("radius", kSphereRadius);
    } else if (kind == "point") {
        setFloat("size", kPointSize);
    }
    if (const Json* params = Member(value, "params")) ReadParams(*params, at, block);
    return object;
}

}  // namespace

void ReadNode(Json& value, std::size_t index, NodePlan& plan, ParentRef& parent) {
    Place at{"node " + std::to_string(index + 1) + ": "};
    Object(value, at, "the node");
    const Json* name = Member(value, "name");
    if (name == nullptr) at.Fail("has no \"name\"");
    plan.name = Name(*name, at, "name");
    at.prefix = "node " + std::to_string(index + 1) + " (\"" +
                Printable(name->get_ref<const std::string&>()) + "\"): ";
    const Json* handle = Member(value, "handle");
    if (handle == nullptr) at.Fail("has no \"handle\"");
    plan.handle = static_cast<ULONG>(Integer(*handle, at, "handle", 1, 0xFFFFFFFEll));
    if (const Json* object = Member(value, "object")) plan.object = ReadObject(*object, at);
    if (const Json* color = Member(value, "wire_color")) {
        plan.wireColor = static_cast<DWORD>(Integer(*color, at, "wire_color", 0, 0xFFFFFF));
    }
    if (const Json* properties = Member(value, "user_properties")) {
        Object(*properties, at, "user_properties");
        // The tree has no repeated keys, so the properties are distinct.
        for (const auto& property : properties->items()) {
            const std::string& key = property.key();
            const Json& number = property.value();
            // The property's name goes into a message only when one is said.
            const auto what = [&key] { return "user property \"" + Printable(key) + "\""; };
            if (key.find('\0') != std::string::npos) at.Fail(what() + " contains a NUL character");
            float held = 0.0f;
            if (!FitsFloat(number, held)) held = Float(number, at, what());
            plan.properties.emplace_back(TextCodec::DecodeUtf8(key), held);
        }
    }
    const auto controller = [&](const char* field, auto& target) {
        const auto found = value.find(field);
        if (found != value.end()) ReadController(*found, at, field, target);
    };
    controller("position", plan.position);
    controller("rotation", plan.rotation);
    controller("scale", plan.scale);
    if (const Json* transform = Member(value, "transform_class_id")) {
        plan.transformClass = ClassIdOf(*transform, at, "transform_class_id");
    }
    if (const Json* on = Member(value, "bone_on")) plan.boneOn = Bool(*on, at, "bone_on");
    if (const Json* display = Member(value, "bone_display")) {
        plan.boneDisplay =
            static_cast<int>(Integer(*display, at, "bone_display", INT32_MIN, INT32_MAX));
    }
    if (const Json* offset = Member(value, "object_offset")) {
        const auto& rows = Array(*offset, at, "object_offset", 4);
        for (int row = 0; row < 4; ++row) {
            plan.objectOffset.SetRow(row, PointOf(rows[static_cast<std::size_t>(row)], at,
                                                  "object_offset"));
        }
    }
    // The handle, when the node gives one, names the parent; else the name.
    for (const char* field : {"parent_handle", "parent"}) {
        if (const auto found = value.find(field); found != value.end()) {
            parent.field = field;
            parent.value = std::move(*found);
            break;
        }
    }
}

namespace {

// Resolves every node's parent (by handle when the node gives
// "parent_handle", else by name, the first node of that name) and checks
// that the parents form a tree.
void ResolveParents(const std::vector<ParentRef>& parents, std::vector<NodePlan>& plans) {
    std::unordered_map<ULONG, std::size_t> byHandle;
    std::unordered_map<std::wstring, std::size_t> byName;
    byHandle.reserve(plans.size());
    byName.reserve(plans.size());
    const auto where = [&](std::size_t i) {
        return Place{"node " + std::to_string(i + 1) + " (\"" +
                     Printable(TextCodec::EncodeUtf8(plans[i].name)) + "\"): "};
    };
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const auto [at, added] = byHandle.emplace(plans[i].handle, i);
        if (!added) {
            where(i).Fail("handle " + std::to_string(plans[i].handle) + " is taken by node " +
                          std::to_string(at->second + 1));
        }
        byName.emplace(plans[i].name, i);
    }
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const Place at = where(i);
        const ParentRef& parent = parents[i];
        if (parent.field == nullptr || parent.value.is_null()) continue;
        if (std::string_view(parent.field) == "parent_handle") {
            const auto number = Integer(parent.value, at, "parent_handle", 1, 0xFFFFFFFEll);
            const auto found = byHandle.find(static_cast<ULONG>(number));
            if (found == byHandle.end()) {
                at.Fail("parent handle " + std::to_string(number) + " is not a node of the scene");
            }
            plans[i].parent = found->second + 1;
        } else {
            const std::wstring wide = Name(parent.value, at, "parent");
            const auto found = byName.find(wide);
            if (found == byName.end()) {
                at.Fail("parent \"" + Printable(parent.value.get_ref<const std::string&>()) +
                        "\" is not a node of the scene");
            }
            plans[i].parent = found->second + 1;
        }
    }
    // Each node is walked up once: 1 while on the current path, 2 when known
    // to lead to the top.
    std::vector<unsigned char> state(plans.size(), 0);
    std::vector<std::size_t> path;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        path.clear();
        std::size_t at = i + 1;
        while (at != 0 && state[at - 1] == 0) {
            state[at - 1] = 1;
            path.push_back(at - 1);
            at = plans[at - 1].parent;
        }
        if (at != 0 && state[at - 1] == 1) {
            where(at - 1).Fail("is its own ancestor (the parents form a cycle)");
        }
        for (const std::size_t node : path) state[node] = 2;
    }
}

}  // namespace

void ReadScene(const DocumentTree& tree, ScenePlan& plan) {
    const Json& document = tree.root;
    const Place top{};
    if (!document.is_object()) FailDocument("not a tovfileio scene (not a JSON object)");
    const Json* format = Member(document, "format");
    if (format == nullptr) FailDocument("not a tovfileio scene (no \"format\" field)");
    if (!format->is_string() || format->get_ref<const std::string&>() != kSceneDocumentFormat) {
        FailDocument("not a tovfileio scene (format " + Printable(format->dump()) + ")");
    }
    const Json* version = Member(document, "version");
    if (version == nullptr) FailDocument("no \"version\" field");
    if (!version->is_number_integer()) FailDocument("\"version\" must be an integer");
    if (version->is_number_unsigned() ? version->get<std::uint64_t>() > kSceneDocumentVersion
                                      : version->get<long long>() > kSceneDocumentVersion) {
        FailDocument("version " + version->dump() + " of the scene document is newer than this program (" +
             std::to_string(kSceneDocumentVersion) + ")");
    }
    if (version->get<long long>() < 1) FailDocument("version " + version->dump() + " is not a version");

    if (const Json* rate = Member(document, "frame_rate")) {
        plan.frameRate = static_cast<int>(Integer(*rate, top, "frame_rate", 1, TIME_TICKSPERSEC));
    }
    if (const Json* ticks = Member(document, "ticks_per_frame")) {
        const long long given = Integer(*ticks, top, "ticks_per_frame", 1, TIME_TICKSPERSEC);
        const long long expected = TIME_TICKSPERSEC / plan.frameRate;
        if (given != expected) {
            FailDocument("ticks_per_frame " + std::to_string(given) + " does not match frame_rate " +
                 std::to_string(plan.frameRate) + " (" + std::to_string(expected) + ")");
        }
    }
    if (const Json* unit = Member(document, "system_unit_mm")) {
        plan.systemUnitMm = Double(*unit, top, "system_unit_mm");
        if (!(plan.systemUnitMm > 0)) FailDocument("system_unit_mm must be positive");
    }
    if (const Json* time = Member(document, "time")) {
        plan.time = static_cast<TimeValue>(Integer(*time, top, "time", INT32_MIN, INT32_MAX));
    }
    if (const Json* range = Member(document, "animation_range"); range && !range->is_null()) {
        const auto& ends = Array(*range, top, "animation_range", 2);
        plan.range = Interval(
            static_cast<TimeValue>(Integer(ends[0], top, "animation_range", INT32_MIN, INT32_MAX)),
            static_cast<TimeValue>(Integer(ends[1], top, "animation_range", INT32_MIN, INT32_MAX)));
    }
    const auto found = document.find("nodes");
    if (found == document.end()) FailDocument("no \"nodes\" field");
    Array(*found, top, "nodes");
    if (tree.nodeError) std::rethrow_exception(tree.nodeError);
    ResolveParents(tree.parents, plan.nodes);
    CheckPlan(plan);
}

}  // namespace brindle::host
