#include "scene/DocumentValues.h"

#include <cmath>
#include <cstdint>

#include "brindle/sdk/TextCodec.h"
#include "scene/DocumentNumbers.h"

namespace brindle::host {
namespace {

[[noreturn]] void FailRange(const Place& at, std::string_view what, const std::string& number,
                            long long min, long long max) {
    at.Fail(std::string(what) + " " + number + " is out of range (" + std::to_string(min) + " to " +
            std::to_string(max) + ")");
}

}  // namespace

const char* KindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::Signed:
        case ValueKind::Unsigned:
        case ValueKind::Float:
            return "a number";
        case ValueKind::String:
            return "a string";
        case ValueKind::Boolean:
            return "true or false";
        case ValueKind::Array:
            return "an array";
        case ValueKind::Object:
            return "an object";
        default:
            return "null";
    }
}

Scalar ScalarOf(const Json& value) {
    Scalar scalar;
    if (value.is_number_unsigned()) {
        scalar.kind = ValueKind::Unsigned;
        scalar.natural = value.get<std::uint64_t>();
    } else if (value.is_number_integer()) {
        scalar.kind = ValueKind::Signed;
        scalar.whole = value.get<std::int64_t>();
    } else if (value.is_number()) {
        scalar.kind = ValueKind::Float;
    } else if (value.is_string()) {
        scalar.kind = ValueKind::String;
        scalar.text = value.get_ref<const std::string&>();
    } else if (value.is_boolean()) {
        scalar.kind = ValueKind::Boolean;
        scalar.boolean = value.get<bool>();
    } else if (value.is_array()) {
        scalar.kind = ValueKind::Array;
    } else if (value.is_object()) {
        scalar.kind = ValueKind::Object;
    }
    if (value.is_number())
        scalar.number = value.get<double>();
    return scalar;
}

long long Integer(const Scalar& value, const Place& at, std::string_view what, long long min,
                  long long max) {
    long long number = 0;
    if (value.kind == ValueKind::Unsigned) {
        if (value.natural > static_cast<std::uint64_t>(max)) {
            FailRange(at, what, std::to_string(value.natural), min, max);
        }
        number = static_cast<long long>(value.natural);
    } else if (value.kind == ValueKind::Signed) {
        number = value.whole;
    } else {
        at.Fail(std::string(what) + " must be an integer, not " + KindName(value.kind));
    }
    if (number < min || number > max)
        FailRange(at, what, std::to_string(number), min, max);
    return number;
}

double Double(const Scalar& value, const Place& at, std::string_view what) {
    if (!value.IsNumber())
        at.Fail(std::string(what) + " must be a number, not " + KindName(value.kind));
    if (!std::isfinite(value.number))
        at.Fail(std::string(what) + " is not a finite number");
    return value.number;
}

float Float(const Scalar& value, const Place& at, std::string_view what) {
    float number = 0.0f;
    if (!FloatOf(Double(value, at, what), number))
        at.Fail(std::string(what) + " is too large for a float");
    return number;
}

bool FitsFloat(const Scalar& value, float& number) {
    return value.IsNumber() && std::isfinite(value.number) && FloatOf(value.number, number);
}

bool Bool(const Scalar& value, const Place& at, std::string_view what) {
    if (value.kind != ValueKind::Boolean) {
        at.Fail(std::string(what) + " must be true or false, not " + KindName(value.kind));
    }
    return value.boolean;
}

std::string_view String(const Scalar& value, const Place& at, std::string_view what) {
    if (value.kind != ValueKind::String) {
        at.Fail(std::string(what) + " must be a string, not " + KindName(value.kind));
    }
    return value.text;
}

std::wstring Name(const Scalar& value, const Place& at, std::string_view what) {
    const std::string_view utf8 = String(value, at, what);
    if (utf8.find('\0') != std::string_view::npos)
        at.Fail(std::string(what) + " contains a NUL character");
    return TextCodec::DecodeUtf8(utf8);
}

TreeValue Array(TreeValue value, const Place& at, std::string_view what, std::size_t size) {
    if (value.Kind() != ValueKind::Array) {
        at.Fail(std::string(what) + " must be an array, not " + KindName(value.Kind()));
    }
    if (size != 0 && value.Size() != size) {
        at.Fail(std::string(what) + " must have " + std::to_string(size) + " elements, not " +
                std::to_string(value.Size()));
    }
    return value;
}

TreeValue Object(TreeValue value, const Place& at, std::string_view what) {
    if (value.Kind() != ValueKind::Object) {
        at.Fail(std::string(what) + " must be an object, not " + KindName(value.Kind()));
    }
    return value;
}

}  // namespace brindle::host
