#include "json/JsonWriter.h"

#include <charconv>
#include <cmath>

#include "tovfileio/text/TextCodec.h"

namespace {

void AppendHexEscape(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\u00";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// The short escape JSON has for a control character; none for the others.
const char* ShortEscape(char c) {
    switch (c) {
        case '\n': return "\\n";
        case '\r': return "\\r";
        case '\t': return "\\t";
        default: return nullptr;
    }
}

bool EndsOrChangesScript(char c) {
    return c == '<' || c == '>' || c == '&';
}

}  // namespace

void JsonWriter::AppendString(std::string_view utf8) {
    text_ += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += c;
        } else if (escapes_ == Escapes::kJson && ShortEscape(c) != nullptr) {
            text_ += ShortEscape(c);
        } else if (byte < 0x20 || (escapes_ == Escapes::kScript && EndsOrChangesScript(c))) {
            AppendHexEscape(text_, byte);
        } else {
            text_ += c;
        }
    }
    text_ += '"';
}

void JsonWriter::BeforeValue() {
    if (needComma_) text_ += ',';
    if (lineBreak_) text_ += '\n';
    needComma_ = true;
    lineBreak_ = false;
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    text_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    text_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    BeforeValue();
    AppendString(key);
    text_ += ':';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    AppendString(utf8);
    return *this;
}

JsonWriter& JsonWriter::String(std::wstring_view text) {
    return String(std::string_view(tovfileio::EncodeUtf8(text)));
}

JsonWriter& JsonWriter::Int(std::int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::UInt(std::uint64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Double(double value) {
    if (!std::isfinite(value)) return Null();
    BeforeValue();
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text_.append(buffer, result.ptr);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

JsonWriter& JsonWriter::LineBreak() {
    lineBreak_ = true;
    return *this;
}
