// The checks of a document's values against what a member must hold, each
// returning the value as the host keeps it or failing with a message of the
// value's place, what it is called and what is wrong ("handle must be an
// integer, not a string", "value must have 3 elements, not 2").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "scene/DocumentError.h"
#include "scene/NodeTree.h"

namespace brindle::host {

using Json = nlohmann::ordered_json;

// How a message names a value of each kind: "a number", "an array".
const char* KindName(ValueKind kind);

// A value of the settings around the nodes, as the checks see it.
Scalar ScalarOf(const Json& value);

long long Integer(const Scalar& value, const Place& at, std::string_view what, long long min,
                  long long max);
double Double(const Scalar& value, const Place& at, std::string_view what);
float Float(const Scalar& value, const Place& at, std::string_view what);
// The float a finite number holds when it fits one; false, saying nothing,
// for anything else (Float says what is wrong).
bool FitsFloat(const Scalar& value, float& number);
bool Bool(const Scalar& value, const Place& at, std::string_view what);
std::string_view String(const Scalar& value, const Place& at, std::string_view what);
// Wide text of a name the host keeps; it cannot hold a NUL character.
std::wstring Name(const Scalar& value, const Place& at, std::string_view what);

// An array of a node (of `size` items when that is not 0), or an object.
TreeValue Array(TreeValue value, const Place& at, std::string_view what, std::size_t size = 0);
TreeValue Object(TreeValue value, const Place& at, std::string_view what);

}  // namespace brindle::host
