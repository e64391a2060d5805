#include "brindle/host/scene/DocumentTree.h"

#include <charconv>

#include "brindle/host/scene/DocumentError.h"

namespace brindle::host {

// Integers as integers while a 64-bit integer holds them, as nlohmann's own
// parser keeps them; every number must fit a double.
bool DocumentTree::Number(const JsonNumber& number) {
    double value = 0.0;
    if (!number.ToDouble(value)) {
        problem = "the number " + Printable(number.text) + " is too large";
        return false;
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

bool DocumentTree::Key(std::string_view utf8) {
    if (!keys_.back().emplace(utf8).second) {
        problem = "the key \"" + Printable(utf8) + "\" appears twice in one object";
        return false;
    }
    key_ = utf8;
    return true;
}

bool DocumentTree::StartObject() {
    stack_.push_back(Insert(Json::object()));
    keys_.emplace_back();
    return true;
}

bool DocumentTree::EndObject() {
    keys_.pop_back();
    stack_.pop_back();
    return true;
}

bool DocumentTree::StartArray() {
    stack_.push_back(Insert(Json::array()));
    return true;
}

bool DocumentTree::EndArray() {
    stack_.pop_back();
    return true;
}

Json* DocumentTree::Insert(Json value) {
    if (stack_.empty()) {
        root = std::move(value);
        return &root;
    }
    Json& top = *stack_.back();
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
