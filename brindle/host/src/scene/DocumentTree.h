// A scene document read from the JSON reader's events, a key repeated
// within one object refused (the ordered map alone would search every
// earlier key of an object, which is quadratic in its size).
//
// The settings around the nodes become a tree of JSON values, `root`, in
// which "nodes" is an empty array. Each node is built in a NodeTree as its
// events come and read into the plan as it closes (ReadNode), then the
// tree is cleared for the next: a scene of many nodes never has them all
// as values at once, nor allocates for each. The keys of the controllers,
// the bulk of a document, are not put in any tree: the arrays that hold
// them ("ticks" and "values", or "keys") go through a TrackReader straight
// into the plan's node, with what is wrong with them. What is wrong with
// the first node that does not read is kept for ReadScene to say after the
// settings.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "scene/JsonReader.h"
#include "scene/NodeReader.h"
#include "scene/NodeTree.h"
#include "scene/ScenePlan.h"
#include "scene/TrackReader.h"

namespace brindle::host {

using Json = nlohmann::ordered_json;

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
    // What an open object or array is to the document. Those of a node
    // (Node, Controller, Inner) are in node_, the others in `root`.
    enum class Role { Other, Top, Nodes, Node, Controller, Inner, Track };
    struct Open {
        Json* value;  // in `root`; null in node_
        Role role;
        std::size_t index;  // a node's place in "nodes"; a controller's slot
    };

    Role RoleOf(bool array) const;
    std::string_view CurrentKey() const;
    bool InNode() const;
    bool Add(Json value);
    bool AddToNode(const Scalar& value);
    Json* Insert(Json value);
    bool StartContainer(bool array);
    bool StartInNode(bool array, Role role);
    bool EndContainer();
    void EndController(std::size_t slot);
    void NodeDone();
    bool Repeated(std::string_view key);

    static constexpr std::size_t kSearchedMembers = 16;

    ScenePlan& plan_;
    NodeTree node_;
    std::size_t nodeCount_ = 0;  // the nodes read, and the place of the open one
    std::vector<Open> stack_;
    std::vector<std::unordered_set<std::string>> keys_;  // one an open object of `root`
    std::string key_;
    TrackReader track_;
    bool inTrack_ = false;  // the events go to track_
};

}  // namespace brindle::host
