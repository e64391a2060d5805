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
    return Add(Json(nullptr));
}

bool DocumentTree::Boolean(bool value) {
    if (inTrack_) {
        track_.Other("true or false");
        return true;
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
    if (number.integer) {
        const char* first = number.text.data();
        const char* last = first + number.text.size();
        if (*first == '-') {
            std::int64_t whole = 0;
            if (std::from_chars(first, last, whole).ec == std::errc()) return Add(Json(whole));
        } else {
            std::uint64_t whole = 0;
            if (std::from_chars(first, last, whole).ec == std::errc()) return Add(Json(whole));
        }
    }
    return Add(Json(value));
}

bool DocumentTree::String(std::string_view utf8) {
    if (inTrack_) {
        track_.String(utf8);
        return true;
    }
    return Add(Json(std::string(utf8)));
}

bool DocumentTree::Key(std::string_view utf8) {
    if (inTrack_) return true;
    if (Repeated(utf8)) {
        problem = "the key \"" + Printable(utf8) + "\" appears twice in one object";
        return false;
    }
    key_ = utf8;
    return true;
}

// Whether the open object has `key` already. A small object's members are
// searched; a large one's keys go into a set once it has kSearchedMembers,
// so that an object of very many members costs no more than linear time.
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

bool DocumentTree::StartObject() {
    StartContainer(false);
    return true;
}

bool DocumentTree::StartArray() {
    StartContainer(true);
    return true;
}

void DocumentTree::StartContainer(bool array) {
    if (inTrack_) return track_.StartContainer(array);
    const Role role = RoleOf(array);
    if (role == Role::Track) {
        inTrack_ = true;
        track_.StartField(key_ == "keys"    ? TrackField::Keys
                          : key_ == "ticks" ? TrackField::Ticks
                                            : TrackField::Values);
        return;
    }
    std::size_t index = 0;
    if (role == Role::Node) {
        index = stack_.back().value->size();
        if (plan_.nodes.size() <= index) plan_.nodes.resize(index + 1);
    } else if (role == Role::Controller) {
        while (key_ != kControllers[index]) ++index;
        track_.Start(index == 1 ? 4 : 3);
    }
    Json* opened = Insert(array ? Json::array() : Json::object());
    // Room for a node's members, so that they are not moved as it grows.
    if (!array) opened->get_ref<Json::object_t&>().reserve(kSearchedMembers);
    stack_.push_back({opened, role, index});
    if (!array) keys_.emplace_back();
}

DocumentTree::Role DocumentTree::RoleOf(bool array) const {
    if (stack_.empty()) return array ? Role::Other : Role::Top;
    switch (stack_.back().role) {
        case Role::Top:
            return array && key_ == "nodes" ? Role::Nodes : Role::Other;
        case Role::Nodes:
            return array ? Role::Other : Role::Node;
        case Role::Node:
            for (const char* field : kControllers) {
                if (!array && key_ == field) return Role::Controller;
            }
            return Role::Other;
        case Role::Controller:
            return array && (key_ == "keys" || key_ == "ticks" || key_ == "values") ? Role::Track
                                                                                      : Role::Other;
        default:
            return Role::Other;
    }
}

bool DocumentTree::EndObject() {
    if (inTrack_) {
        track_.EndContainer();
        return true;
    }
    const Open closed = stack_.back();
    keys_.pop_back();
    stack_.pop_back();
    if (closed.role == Role::Controller) EndController(stack_.back().index, closed.index);
    if (closed.role == Role::Node) NodeDone(*closed.value, closed.index);
    return true;
}

bool DocumentTree::EndArray() {
    if (inTrack_) {
        if (track_.EndContainer()) inTrack_ = false;
        return true;
    }
    Json* closed = stack_.back().value;
    stack_.pop_back();
    // An array where a node belongs: ReadNode says what is wrong with it.
    if (!stack_.empty() && stack_.back().role == Role::Nodes) {
        NodeDone(*closed, stack_.back().value->size() - 1);
    }
    return true;
}

// Reads the node just closed into the plan unless an earlier one failed,
// and lets its tree go.
void DocumentTree::NodeDone(Json& node, std::size_t index) {
    if (plan_.nodes.size() <= index) plan_.nodes.resize(index + 1);
    if (parents.size() <= index) parents.resize(index + 1);
    if (!nodeError) {
        try {
            ReadNode(node, index, plan_.nodes[index], parents[index]);
        } catch (const DocumentError&) {
            nodeError = std::current_exception();
        }
    }
    node = nullptr;
}

// The keys of the controller in `slot` of node `node` go to the plan.
void DocumentTree::EndController(std::size_t node, std::size_t slot) {
    NodePlan& plan = plan_.nodes[node];
    if (slot == 0) {
        track_.Finish(plan.position.keys, plan.position.keysProblem);
    } else if (slot == 1) {
        track_.Finish(plan.rotation.keys, plan.rotation.keysProblem);
    } else {
        track_.Finish(plan.scale.keys, plan.scale.keysProblem);
    }
}

bool DocumentTree::Add(Json value) {
    Json* added = Insert(std::move(value));
    // A number, string, true, false or null where a node belongs.
    if (!stack_.empty() && stack_.back().role == Role::Nodes) {
        NodeDone(*added, stack_.back().value->size() - 1);
    }
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
