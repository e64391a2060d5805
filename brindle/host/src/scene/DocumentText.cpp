#include "scene/DocumentText.h"

#include "scene/JsonBytes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace brindle::host {
namespace {

// The shortest decimal that reads back as `value`, given a fraction when it
// has neither one nor an exponent, so that readers keep it a float; null
// for an infinity or NaN.
template <typename Number>
bool AppendShortest(std::string& out, Number value) {
    if (!std::isfinite(value)) {
        out += "null";
        return false;
    }
    char buffer[32];
    // Whole numbers under 10,000 (lengths, scales, counts) are their digits
    // in the shortest form too, and much quicker to write as an integer.
    const bool negativeZero = value == 0 && std::signbit(value);
    if (value == std::trunc(value) && std::abs(value) < 10000 && !negativeZero) {
        char* digits = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int>(value)).ptr;
        out.append(buffer, digits);
        out += ".0";
        return true;
    }
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
    if (std::find_if(buffer, end, [](char c) { return c == '.' || c == 'e'; }) == end) {
        out += ".0";
    }
    return true;
}

}  // namespace

bool DocumentText::AppendFloat(std::string& out, float value) {
    return AppendShortest(out, value);
}

void DocumentText::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    if (level.count++ > 0) text_.append(level.oneLine ? ", " : ",", level.oneLine ? 2 : 1);
    if (!level.oneLine) NewLine();
}

// A line feed and the indent of the open levels, in one append at the
// depths a scene reaches.
void DocumentText::NewLine() {
    static const std::string kBreak = "\n" + std::string(64, ' ');
    const std::size_t indent = 2 * levels_.size();
    if (indent < kBreak.size()) {
        text_.append(kBreak.data(), 1 + indent);
    } else {
        text_ += '\n';
        text_.append(indent, ' ');
    }
}

void DocumentText::BeginObject() {
    BeforeValue();
    text_ += '{';
    levels_.push_back({true, false, 0});
}

void DocumentText::EndObject() { Close('}'); }

void DocumentText::BeginArray(bool oneLine) {
    BeforeValue();
    text_ += '[';
    const bool inLine = !levels_.empty() && levels_.back().oneLine;
    levels_.push_back({false, oneLine || inLine, 0});
}

void DocumentText::EndArray() { Close(']'); }

void DocumentText::Close(char bracket) {
    const Level level = levels_.back();
    levels_.pop_back();
    if (!level.oneLine && level.count > 0) NewLine();
    text_ += bracket;
    Pass();
}

// A key of an object laid out on lines: the comma after the member before
// it, the line break and indent, and the key in quotes, in one append when
// the key needs no escapes (a scene's own keys never do).
void DocumentText::Key(std::string_view utf8) {
    constexpr std::size_t kMostInline = 64;
    const std::size_t indent = 2 * levels_.size();
    if (afterKey_ || levels_.empty() || levels_.back().oneLine || indent > kMostInline ||
        utf8.size() > kMostInline || jsonbytes::UnescapedRun(utf8) != utf8.size()) {
        BeforeValue();
        AppendString(utf8);
        text_.append(": ", 2);
        afterKey_ = true;
        return;
    }
    static constexpr char kSpaces[] = "                                                                ";
    static_assert(sizeof kSpaces > kMostInline);
    char line[2 * kMostInline + 6];
    char* at = line;
    if (levels_.back().count++ > 0) *at++ = ',';
    *at++ = '\n';
    // All the spaces an indent may take, of which `indent` are kept.
    std::memcpy(at, kSpaces, kMostInline);
    at += indent;
    *at++ = '"';
    std::memcpy(at, utf8.data(), utf8.size());
    at += utf8.size();
    std::memcpy(at, "\": ", 3);
    at += 3;
    text_.append(line, static_cast<std::size_t>(at - line));
    afterKey_ = true;
}

void DocumentText::String(std::string_view utf8) {
    BeforeValue();
    AppendString(utf8);
}

void DocumentText::Integer(long long value) {
    BeforeValue();
    char buffer[24];
    text_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

void DocumentText::Float(float value) {
    BeforeValue();
    if (!AppendShortest(text_, value)) nonFinite_ = true;
}

void DocumentText::Double(double value) {
    BeforeValue();
    if (!AppendShortest(text_, value)) nonFinite_ = true;
}

void DocumentText::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
}

void DocumentText::Null() {
    BeforeValue();
    text_ += "null";
}

std::string& DocumentText::BeginRaw() {
    BeforeValue();
    return text_;
}

void DocumentText::EndRaw() { Pass(); }

// Escapes what JSON requires (quotes, backslashes, control characters);
// the rest, UTF-8 included, is written as it is.
void DocumentText::AppendString(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    // Names and keys rarely need escapes: the run before the first that
    // does goes in one append.
    const std::size_t plainBytes = jsonbytes::UnescapedRun(utf8);
    text_ += '"';
    text_.append(utf8.data(), plainBytes);
    utf8.remove_prefix(plainBytes);
    for (const char c : utf8) {
        switch (c) {
            case '"': text_ += "\\\""; break;
            case '\\': text_ += "\\\\"; break;
            case '\b': text_ += "\\b"; break;
            case '\f': text_ += "\\f"; break;
            case '\n': text_ += "\\n"; break;
            case '\r': text_ += "\\r"; break;
            case '\t': text_ += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    text_ += "\\u00";
                    text_ += kHex[c >> 4];
                    text_ += kHex[c & 15];
                } else {
                    text_ += c;
                }
        }
    }
    text_ += '"';
}

void DocumentText::Pass() {
    if (sink_ && text_.size() >= kPieceBytes) {
        sink_(text_);
        text_.clear();
    }
}

std::string DocumentText::Finish() {
    text_ += '\n';
    if (!sink_) return std::move(text_);
    sink_(text_);
    text_.clear();
    return std::string();
}

}  // namespace brindle::host
