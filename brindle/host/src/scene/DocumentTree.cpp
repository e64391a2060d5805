#include "scene/DocumentTree.h"

#include <charconv>
#include <cstdint>

#include "scene/DocumentError.h"
#include "scene/SceneReader.h"

namespace brindle::host {
namespace {

constexpr const char* kControllers[] = {"position", "rotation", "scale"};

}  // namespace

bool DocumentTree::Null() {
    if (inTrack_) {
        track_.Other("null");
        return true;
    }
    if (InNode()) return AddToNode(Scalar{});
    return Add(Json(nullptr));
}

bool DocumentTree::Boolean(bool value) {
    if (inTrack_) {
        track_.Other("true or false");
        return true;
    }
    if (InNode()) {
        Scalar scalar;
        scalar.kind = ValueKind::Boolean;
        scalar.boolean = value;
        return AddToNode(scalar);
    }
    return Add(Json(value));
}

// Integers as integers while a 64-bit integer holds them, as nlohmann's own
// parser keeps them; every number must fit a double.
bool DocumentTree::Number(const JsonNumber& number) {
    double value = 0.0;
    if (!number.ToDouble(value)) {
        problem = "the number " + Printable(number.text) + " is too large";
        return false;
    }
    if (inTrack_) {
        track_.Number(number, value);
        return true;
    }
    Scalar scalar;
    scalar.kind = ValueKind::Float;
    scalar.number = value;
    if (number.integer) {
        const char* first = number.text.data();
        const char* last = first + number.text.size();
        if (*first == '-') {
            if (std::from_chars(first, last, scalar.whole).ec == std::errc()) {
                scalar.kind = ValueKind::Signed;
            }
        } else if (std::from_chars(first, last, scalar.natural).ec == std::errc()) {
            scalar.kind = ValueKind::Unsigned;
        }
    }
    if (InNode()) return AddToNode(scalar);
    if (scalar.kind == ValueKind::Signed) return Add(Json(scalar.whole));
    if (scalar.kind == ValueKind::Unsigned) return Add(Json(scalar.natural));
    return Add(Json(value));
}

bool DocumentTree::String(std::string_view utf8) {
    if (inTrack_) {
        track_.String(utf8);
        return true;
    }
    if (InNode()) {
        Scalar scalar;
        scalar.kind = ValueKind::String;
        scalar.text = utf8;
        return AddToNode(scalar);
    }
    return Add(Json(std::string(utf8)));
}

bool DocumentTree::Key(std::string_view utf8) {
    if (inTrack_) return true;
    if (InNode()) {
        if (node_.Key(utf8)) return true;
        problem = node_.problem;
        return false;
    }
    if (Repeated(utf8)) {
        problem = "the key \"" + Printable(utf8) + "\" appears twice in one object";
        return false;
    }
    key_ = utf8;
    return true;
}

// Whether the open object of `root` has `key` already. A small object's
// members are searched; a large one's keys go into a set once it has
// kSearchedMembers, so that an object of very many members costs no more
// than linear time.
bool DocumentTree::Repeated(std::string_view key) {
    const auto& members = stack_.back().value->get_ref<const Json::object_t&>();
    auto& seen = keys_.back();
    if (members.size() < kSearchedMembers) {
        for (const auto& member : members) {
            if (member.first == key) return true;
        }
        return false;
    }
    if (seen.empty()) {
        for (const auto& member : members) seen.emplace(member.first);
    }
    return !seen.emplace(key).second;
}

// Whether the next value belongs to a node: it is one of "nodes", or inside
// one.
bool DocumentTree::InNode() const {
    if (stack_.empty()) return false;
    const Role role = stack_.back().role;
    return role == Role::Nodes || role == Role::Node || role == Role::Controller ||
           role == Role::Inner;
}

bool DocumentTree::StartObject() { return StartContainer(false); }

bool DocumentTree::StartArray() { return StartContainer(true); }

bool DocumentTree::StartContainer(bool array) {
    if (inTrack_) {
        track_.StartContainer(array);
        return true;
    }
    const Role role = RoleOf(array);
    if (role == Role::Track) {
        inTrack_ = true;
        const std::string_view key = CurrentKey();
        track_.StartField(key == "keys"    ? TrackField::Keys
                          : key == "ticks" ? TrackField::Ticks
                                           : TrackField::Values);
        return true;
    }
    if (InNode()) return StartInNode(array, role);
    Json* opened = Insert(array ? Json::array() : Json::object());
    // Room for an object's members, so that they are not moved as it grows.
    if (!array) opened->get_ref<Json::object_t&>().reserve(kSearchedMembers);
    stack_.push_back({opened, role, 0});
    if (!array) keys_.emplace_back();
    return true;
}

// Opens an object or array of a node: the node itself, a controller, or
// anything inside them.
bool DocumentTree::StartInNode(bool array, Role role) {
    std::size_t slot = 0;
    if (role == Role::Node) {
        if (plan_.nodes.size() <= nodeCount_) plan_.nodes.resize(nodeCount_ + 1);
    } else if (role == Role::Controller) {
        while (CurrentKey() != kControllers[slot]) ++slot;
        track_.Start(slot == 1 ? 4 : 3);
    }
    if (!node_.Open(array)) {
        problem = node_.problem;
        return false;
    }
    stack_.push_back({nullptr, role, slot});
    return true;
}

// The key of the member whose value comes next.
std::string_view DocumentTree::CurrentKey() const {
    return InNode() ? node_.PendingKey() : std::string_view(key_);
}

DocumentTree::Role DocumentTree::RoleOf(bool array) const {
    if (stack_.empty()) return array ? Role::Other : Role::Top;
    const std::string_view key = CurrentKey();
    switch (stack_.back().role) {
        case Role::Top:
            return array && key == "nodes" ? Role::Nodes : Role::Other;
        case Role::Nodes:
            return array ? Role::Inner : Role::Node;
        case Role::Node:
            for (const char* field : kControllers) {
                if (!array && key == field) return Role::Controller;
            }
            return Role::Inner;
        case Role::Controller:
            return array && (key == "keys" || key == "ticks" || key == "values") ? Role::Track
                                                                                      : Role::Inner;
        case Role::Inner:
            return Role::Inner;
        default:
            return Role::Other;
    }
}

bool DocumentTree::EndObject() { return EndContainer(); }

bool DocumentTree::EndArray() { return EndContainer(); }

bool DocumentTree::EndContainer() {
    if (inTrack_) {
        if (track_.EndContainer()) inTrack_ = false;
        return true;
    }
    const Open closed = stack_.back();
    stack_.pop_back();
    if (closed.value != nullptr) {
        if (closed.value->is_object()) keys_.pop_back();
        return true;
    }
    node_.Close();
    if (closed.role == Role::Controller) EndController(closed.index);
    if (node_.Depth() == 0) NodeDone();
    return true;
}

bool DocumentTree::AddToNode(const Scalar& value) {
    if (!node_.Add(value)) {
        problem = node_.problem;
        return false;
    }
    // A number, string, true, false or null where a node belongs.
    if (node_.Depth() == 0) NodeDone();
    return true;
}

// Reads the node just closed into the plan unless an earlier one failed,
// and clears its tree for the next.
void DocumentTree::NodeDone() {
    const std::size_t index = nodeCount_++;
    if (plan_.nodes.size() <= index) plan_.nodes.resize(index + 1);
    if (parents.size() <= index) parents.resize(index + 1);
    if (!nodeError) {
        try {
            ReadNode(node_.Root(), index, plan_.nodes[index], parents[index],
                     plan_.propertyNames);
        } catch (const DocumentError&) {
            nodeError = std::current_exception();
        }
    }
    node_.Clear();
}

// The keys of the controller in `slot` of the open node go to the plan.
void DocumentTree::EndController(std::size_t slot) {
    NodePlan& plan = plan_.nodes[nodeCount_];
    if (slot == 0) {
        track_.Finish(plan.position.keys, plan.position.keysProblem);
    } else if (slot == 1) {
        track_.Finish(plan.rotation.keys, plan.rotation.keysProblem);
    } else {
        track_.Finish(plan.scale.keys, plan.scale.keysProblem);
    }
}

bool DocumentTree::Add(Json value) {
    Insert(std::move(value));
    return true;
}

Json* DocumentTree::Insert(Json value) {
    if (stack_.empty()) {
        root = std::move(value);
        return &root;
    }
    Json& top = *stack_.back().value;
    if (top.is_array()) {
        auto& items = top.get_ref<Json::array_t&>();
        items.push_back(std::move(value));
        return &items.back();
    }
    auto& members = top.get_ref<Json::object_t&>();
    members.emplace_back(std::move(key_), std::move(value));
    return &members.back().second;
}

}  // namespace brindle::host
