// The tree of a scene document, built from the JSON reader's events: each
// value a JSON value, members in document order, a key repeated within one
// object refused (the ordered map alone would search every earlier key of
// an object, which is quadratic in its size).
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "brindle/host/scene/JsonReader.h"

namespace brindle::host {

using Json = nlohmann::ordered_json;

class DocumentTree : public JsonHandler {
public:
    Json root;

    bool Null() override { return Add(Json(nullptr)); }
    bool Boolean(bool value) override { return Add(Json(value)); }
    bool Number(const JsonNumber& number) override;
    bool String(std::string_view utf8) override { return Add(Json(std::string(utf8))); }
    bool Key(std::string_view utf8) override;
    bool StartObject() override;
    bool EndObject() override;
    bool StartArray() override;
    bool EndArray() override;

private:
    bool Add(Json value) {
        Insert(std::move(value));
        return true;
    }
    Json* Insert(Json value);

    std::vector<Json*> stack_;
    std::vector<std::unordered_set<std::string>> keys_;
    std::string key_;
};

}  // namespace brindle::host
