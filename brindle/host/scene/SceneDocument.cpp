#include "brindle/host/scene/SceneDocument.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "brindle/host/AtomicFile.h"
#include "brindle/host/scene/DocumentError.h"
#include "brindle/host/scene/DocumentNumbers.h"
#include "brindle/host/scene/DocumentTree.h"
#include "brindle/host/scene/JsonReader.h"
#include "brindle/host/scene/ScenePlan.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

constexpr char kFormat[] = "tovfileio-scene";
constexpr long long kVersion = 1;
// The document nests six levels deep (keys of a controller of a node); a
// deeper one is not a scene, and the cap keeps hostile nesting cheap.
constexpr std::size_t kMaxDepth = 32;

// ---------------------------------------------------------------- writing

// The document is built as a JSON value, members in the order written here,
// and printed by the JSON library with two-space indents.
using Doc = nlohmann::ordered_json;

// Builds the values of one document and notes floats it cannot hold.
struct DocumentBuilder {
    // Whether a float was infinite or not a number since last cleared.
    bool nonFinite = false;

    // The double of the shortest decimal that reads back as the same float,
    // so that 0.1f is printed as 0.1. Infinities and NaN, which JSON cannot
    // hold, become null and are noted.
    Doc Float(float value) {
        if (!std::isfinite(value)) {
            nonFinite = true;
            return nullptr;
        }
        char buffer[32];
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
        double shortest = 0.0;
        std::from_chars(buffer, written.ptr, shortest);
        return shortest;
    }
    Doc Double(double value) {
        if (!std::isfinite(value)) {
            nonFinite = true;
            return nullptr;
        }
        return value;
    }
    Doc Vector(const Point3& p) { return Doc::array({Float(p.x), Float(p.y), Float(p.z)}); }
    Doc Vector(const Quat& q) {
        return Doc::array({Float(q.x), Float(q.y), Float(q.z), Float(q.w)});
    }
    static Doc ClassId(const Class_ID& id) { return Doc::array({id.PartA(), id.PartB()}); }

    template <typename Value>
    Doc Controller(const char* kind, const ValueController<Value>& controller) {
        Doc out = Doc::object();
        out["controller"] = kind;
        out["value"] = Vector(controller.HeldValue());
        Doc keys = Doc::array();
        const auto& track = controller.Track().Keys();
        keys.get_ref<Doc::array_t&>().reserve(track.size());
        for (const auto& key : track) {
            Doc entry = Vector(key.value);
            entry.insert(entry.begin(), key.time);
            keys.push_back(std::move(entry));
        }
        out["keys"] = std::move(keys);
        if (controller.Locked()) out["locked"] = true;
        return out;
    }

    Doc Params(const ParamBlock& block) {
        Doc params = Doc::object();
        for (const ParamBlock::Param& param : block.Params()) {
            params[std::to_string(param.id)] =
                param.isInt ? Doc(param.intValue) : Float(param.floatValue);
        }
        return params;
    }

    Doc Object(SceneObject* object) {
        if (object == nullptr) return nullptr;
        const std::string kind = ObjectKind(*object);
        ParamBlock& block = object->Block();
        Doc out = Doc::object();
        out["kind"] = kind;
        out["class_id"] = ClassId(object->ClassID());
        out["super_class_id"] = object->SuperClassID();
        if (kind == "bone") {
            out["length"] = Float(block.GetFloat(kBoneLength, 0));
            out["width"] = Float(block.GetFloat(kBoneWidth, 0));
            out["height"] = Float(block.GetFloat(kBoneHeight, 0));
            out["taper"] = Float(block.GetFloat(kBoneTaper, 0));
        } else if (kind == "dummy") {
            const Box3 box = object->GetBox();
            out["box_min"] = Vector(box.pmin);
            out["box_max"] = Vector(box.pmax);
        } else if (kind == "sphere") {
            out["radius"] = Float(block.GetFloat(kSphereRadius, 0));
            out["params"] = Params(block);
        } else if (kind == "point") {
            out["size"] = Float(block.GetFloat(kPointSize, 0));
        } else {
            out["params"] = Params(block);
        }
        return out;
    }

    Doc Node(SceneNode& node) {
        Doc out = Doc::object();
        out["name"] = TextCodec::EncodeUtf8(node.Name());
        out["handle"] = node.GetHandle();
        SceneNode* parent = node.Parent();
        const bool topLevel = parent == nullptr || parent->IsRootNode();
        out["parent"] = topLevel ? Doc(nullptr) : Doc(TextCodec::EncodeUtf8(parent->Name()));
        out["parent_handle"] = topLevel ? Doc(nullptr) : Doc(parent->GetHandle());
        out["object"] = Object(node.HeldObject());
        out["wire_color"] = node.GetWireColor();
        Doc properties = Doc::object();
        for (const auto& [key, value] : node.UserProperties()) {
            properties[TextCodec::EncodeUtf8(key)] = Float(value);
        }
        out["user_properties"] = std::move(properties);
        TransformController& transform = node.Transform();
        out["position"] = Controller("linear_position", transform.Position());
        out["rotation"] = Controller(
            transform.Rotation().ClassID() == TCB_ROTATION_CLASS_ID ? "tcb" : "euler_xyz",
            transform.Rotation());
        out["scale"] = Controller("linear_scale", transform.Scale());
        if (!(transform.ClassID() == PRS_CONTROL_CLASS_ID)) {
            out["transform_class_id"] = ClassId(transform.ClassID());
        }
        out["bone_on"] = node.GetBoneNodeOnOff() != FALSE;
        out["bone_display"] = node.BoneDisplay();
        const Matrix3 offset = node.GetObjOffsetTM();
        if (offset != Matrix3()) {
            Doc rows = Doc::array();
            for (int row = 0; row < 4; ++row) rows.push_back(Vector(offset[row]));
            out["object_offset"] = std::move(rows);
        }
        return out;
    }
};

// The document, and the number (from 1) of the first node holding a float a
// document cannot hold; 0 when there is none, -1 for the scene's settings.
std::string WriteDocument(const Scene& scene, long long& firstNonFinite) {
    firstNonFinite = 0;
    DocumentBuilder build;
    Doc document = Doc::object();
    document["format"] = kFormat;
    document["version"] = kVersion;
    document["frame_rate"] = scene.FrameRate();
    document["ticks_per_frame"] = scene.TicksPerFrame();
    document["system_unit_mm"] = build.Double(scene.SystemUnitMillimetres());
    if (build.nonFinite) firstNonFinite = -1;
    document["time"] = scene.Time();
    if (const auto& range = scene.AnimationRange()) {
        document["animation_range"] = Doc::array({range->Start(), range->End()});
    } else {
        document["animation_range"] = nullptr;
    }
    Doc nodes = Doc::array();
    long long number = 0;
    for (SceneNode* node : scene.Nodes()) {
        ++number;
        build.nonFinite = false;
        nodes.push_back(build.Node(*node));
        if (build.nonFinite && firstNonFinite == 0) firstNonFinite = number;
    }
    document["nodes"] = std::move(nodes);
    return document.dump(2) + "\n";
}

// ---------------------------------------------------------------- reading

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
    if (const Json* keys = Member(value, "keys")) Array(*keys, at, "keys");
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

void ReadNode(const Json& value, std::size_t index, NodePlan& plan) {
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
        for (const auto& [key, number] : properties->items()) {
            const std::string what = "user property \"" + Printable(key) + "\"";
            if (key.find('\0') != std::string::npos) at.Fail(what + " contains a NUL character");
            plan.properties.emplace_back(TextCodec::DecodeUtf8(key), Float(number, at, what));
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
}

// Resolves every node's parent (by handle when the node gives
// "parent_handle", else by name, the first node of that name) and checks
// that the parents form a tree.
void ResolveParents(const Json::array_t& nodes, std::vector<NodePlan>& plans) {
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
        const Json& node = nodes[i];
        if (const Json* handle = Member(node, "parent_handle")) {
            if (handle->is_null()) continue;
            const auto number = Integer(*handle, at, "parent_handle", 1, 0xFFFFFFFEll);
            const auto found = byHandle.find(static_cast<ULONG>(number));
            if (found == byHandle.end()) {
                at.Fail("parent handle " + std::to_string(number) + " is not a node of the scene");
            }
            plans[i].parent = found->second + 1;
        } else if (const Json* name = Member(node, "parent")) {
            if (name->is_null()) continue;
            const std::wstring wide = Name(*name, at, "parent");
            const auto found = byName.find(wide);
            if (found == byName.end()) {
                at.Fail("parent \"" + Printable(name->get_ref<const std::string&>()) +
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

// Reads the document around the keys, which `plan` already holds.
void ReadDocument(const Json& document, ScenePlan& plan) {
    const Place top{};
    if (!document.is_object()) FailDocument("not a tovfileio scene (not a JSON object)");
    const Json* format = Member(document, "format");
    if (format == nullptr) FailDocument("not a tovfileio scene (no \"format\" field)");
    if (!format->is_string() || format->get_ref<const std::string&>() != kFormat) {
        FailDocument("not a tovfileio scene (format " + Printable(format->dump()) + ")");
    }
    const Json* version = Member(document, "version");
    if (version == nullptr) FailDocument("no \"version\" field");
    if (!version->is_number_integer()) FailDocument("\"version\" must be an integer");
    if (version->is_number_unsigned() ? version->get<std::uint64_t>() > kVersion
                                      : version->get<long long>() > kVersion) {
        FailDocument("version " + version->dump() + " of the scene document is newer than this program (" +
             std::to_string(kVersion) + ")");
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
    const auto& nodes = found->get_ref<const Json::array_t&>();
    plan.nodes.resize(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) ReadNode(nodes[i], i, plan.nodes[i]);
    ResolveParents(nodes, plan.nodes);
    CheckPlan(plan);
}

// Why a file was not read as a JSON document, as the rest of the error line.
std::string ReadFailure(const JsonFailure& failure) {
    if (failure.readError != 0) return std::string("cannot read: ") + std::strerror(failure.readError);
    if (failure.empty) return "the file is empty";
    return "line " + std::to_string(failure.line) + ", column " + std::to_string(failure.column) +
           ": " + failure.message;
}

}  // namespace

std::string SceneToJson(const Scene& scene) {
    long long nonFinite = 0;
    return WriteDocument(scene, nonFinite);
}

bool LoadSceneDocument(const std::string& path, Scene& scene, std::string& error) {
    try {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = path + ": cannot open: " + std::strerror(errno);
            return false;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
            ::close(fd);
            error = path + ": is a folder, not a scene document";
            return false;
        }
        ScenePlan plan;
        DocumentTree tree(plan);
        JsonFailure failure;
        const bool read = ReadJson(fd, tree, kMaxDepth, failure);
        ::close(fd);
        if (!read) {
            error = path + ": " + ReadFailure(failure);
            return false;
        }
        ReadDocument(tree.root, plan);
        tree.root = nullptr;
        ApplyPlan(plan, scene);
        return true;
    } catch (const DocumentError& problem) {
        error = path + ": " + problem.message;
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to load the scene";
    } catch (const std::exception& problem) {
        error = path + ": " + Printable(problem.what());
    }
    return false;
}

bool SaveSceneDocument(const Scene& scene, const std::string& path, std::string& error) {
    try {
        long long nonFinite = 0;
        const std::string document = WriteDocument(scene, nonFinite);
        if (nonFinite != 0) {
            error = path + ": not saved: " +
                    (nonFinite < 0 ? std::string("the system unit")
                                   : "node " + std::to_string(nonFinite)) +
                    " holds a value that is infinite or not a number";
            return false;
        }
        return WriteFileAtomically(path, document, error);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to save the scene";
        return false;
    }
}

}  // namespace brindle::host
