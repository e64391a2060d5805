// The tree of a scene document, built from the JSON reader's events: each
// value a JSON value, members in document order, a key repeated within one
// object refused (the ordered map alone would search every earlier key of
// an object, which is quadratic in its size).
//
// The keys of the nodes' controllers are the bulk of a document and are
// not put in the tree: the arrays that hold them ("ticks" and "values", or
// "keys") go through a TrackReader straight into the plan's nodes (by the
// node's place in "nodes"), with what is wrong with them, as the document
// is read. Nor are the nodes kept: each is read into the plan as it closes
// and its tree let go, so a scene of many nodes never has them all as JSON
// values at once. What is wrong with the first node that does not read is
// kept for ReadScene to say after the settings.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "scene/JsonReader.h"
#include "scene/ScenePlan.h"
#include "scene/TrackReader.h"

namespace brindle::host {

using Json = nlohmann::ordered_json;

// What a node says of its parent: the member ("parent_handle", or "parent"
// when it gives no handle) and its value; no field when it says nothing.
struct ParentRef {
    const char* field = nullptr;
    Json value;
};

class DocumentTree : public JsonHandler {
public:
    explicit DocumentTree(ScenePlan& plan) : plan_(plan) {}

    Json root;
    // Each node's parent, by the node's place in "nodes".
    std::vector<ParentRef> parents;
    // Why the first node that did not read did not.
    std::exception_ptr nodeError;

    bool Null() override;
    bool Boolean(bool value) override;
    bool Number(const JsonNumber& number) override;
    bool String(std::string_view utf8) override;
    bool Key(std::string_view utf8) override;
    bool StartObject() override;
    bool EndObject() override;
    bool StartArray() override;
    bool EndArray() override;

private:
    // What an open object or array is to the document.
    enum class Role { Other, Top, Nodes, Node, Controller, Track };
    struct Open {
        Json* value;
        Role role;
        std::size_t index;  // a node's place in "nodes"; a controller's slot
    };

    Role RoleOf(bool array) const;
    bool Add(Json value);
    Json* Insert(Json value);
    void StartContainer(bool array);
    void EndController(std::size_t node, std::size_t slot);
    void NodeDone(Json& node, std::size_t index);
    bool Repeated(std::string_view key);

    static constexpr std::size_t kSearchedMembers = 16;

    ScenePlan& plan_;
    std::vector<Open> stack_;
    std::vector<std::unordered_set<std::string>> keys_;
    std::string key_;
    TrackReader track_;
    bool inTrack_ = false;  // the events go to track_
};

}  // namespace brindle::host
