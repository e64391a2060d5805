#include "scene/JsonReader.h"

#include "scene/FileLines.h"
#include "scene/JsonBytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace brindle::host {
namespace {

using namespace jsonbytes;

bool IsDigit(const char* p, std::size_t at, std::size_t size) {
    return at < size && p[at] >= '0' && p[at] <= '9';
}

// The length of the UTF-8 character at `p` (`avail` bytes readable); 0 when
// the bytes there are not one (an overlong form, a surrogate, beyond
// U+10FFFF, or cut short).
std::size_t Utf8Length(const unsigned char* p, std::size_t avail) {
    const unsigned char c = p[0];
    unsigned char low = 0x80, high = 0xBF;
    std::size_t length = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (avail < length || p[1] < low || p[1] > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (p[k] < 0x80 || p[k] > 0xBF) return 0;
    }
    return length;
}

// The end of the run of bytes from `i` that a string holds as they are:
// ASCII other than control characters, quotes and backslashes. Eight bytes
// are tested at a time (long base64 strings are most of a large document).
std::size_t PlainBytes(const unsigned char* p, std::size_t i, std::size_t size) {
    for (; i + 8 <= size; i += 8) {
        const std::uint64_t special = EscapedBytes(Word(p + i), true);
        if (special != 0) return i + FirstMarked(special);
    }
    while (i < size && p[i] >= 0x20 && p[i] < 0x80 && p[i] != '"' && p[i] != '\\') ++i;
    return i;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The grammar of JSON as a loop over tokens, with the open objects and arrays
// on a stack of its own, so that nesting costs no call depth.
class Parser {
public:
    Parser(int fd, JsonHandler& handler, std::size_t maxDepth, JsonFailure& failure)
        : lines_(fd), handler_(handler), maxDepth_(maxDepth), failure_(failure) {}

    bool Run() {
        Want want = Want::Value;
        while (SkipSpace()) {
            if (!Step(want)) return false;
        }
        if (lines_.Error() != 0) {
            failure_.readError = lines_.Error();
            return false;
        }
        if (lines_.Empty()) {
            failure_.empty = true;
            return false;
        }
        if (want == Want::Nothing) return true;
        return Syntax(line_.size(), "the document ends early");
    }

private:
    // What may come next.
    enum class Want { Value, ValueOrEnd, KeyOrEnd, Key, Colon, CommaOrEnd, Nothing };

    // Moves to the next byte that is not white space, reading lines as
    // needed; false at the end of the file.
    bool SkipSpace() {
        for (;;) {
            // An indent is a run of spaces, passed eight at a time up to
            // the first byte that is not one.
            const auto* bytes = reinterpret_cast<const unsigned char*>(line_.data());
            while (pos_ + 8 <= line_.size()) {
                const std::uint64_t other = NonZeroBytes(Word(bytes + pos_) ^ (' ' * kOnes));
                if (other != 0) {
                    pos_ += FirstMarked(other);
                    break;
                }
                pos_ += 8;
            }
            while (pos_ < line_.size()) {
                const char c = line_[pos_];
                if (c != ' ' && c != '\t' && c != '\r') return true;
                ++pos_;
            }
            std::string_view next;
            if (!lines_.Next(next)) return false;
            line_ = next;
            pos_ = 0;
            if (++lineNumber_ == 1 && line_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
        }
    }

    bool Step(Want& want) {
        const char c = line_[pos_];
        switch (want) {
            case Want::Nothing:
                return Syntax(pos_, "text after the end of the document");
            case Want::Colon:
                if (c != ':') return Syntax(pos_, "expected ':' after a key");
                ++pos_;
                want = Want::Value;
                return true;
            case Want::CommaOrEnd: {
                const bool object = open_.back() == '{';
                if (c == ',') {
                    ++pos_;
                    want = object ? Want::Key : Want::Value;
                    return true;
                }
                if (c == (object ? '}' : ']')) return Close(want);
                return Syntax(pos_, object ? "expected ',' or '}' after a member of an object"
                                           : "expected ',' or ']' after an element of an array");
            }
            case Want::KeyOrEnd:
                if (c == '}') return Close(want);
                [[fallthrough]];
            case Want::Key: {
                if (c != '"') return Syntax(pos_, "expected a key in double quotes");
                const std::size_t at = pos_;
                std::string_view text;
                if (!String(text)) return false;
                if (!handler_.Key(text)) return Stopped(at);
                want = Want::Colon;
                return true;
            }
            case Want::ValueOrEnd:
                if (c == ']') return Close(want);
                [[fallthrough]];
            case Want::Value:
                return Value(want);
        }
        return false;
    }

    bool Value(Want& want) {
        const std::size_t at = pos_;
        const char c = line_[pos_];
        bool taken = false;
        if (c == '{' || c == '[') {
            if (open_.size() >= maxDepth_) {
                Place(at);
                failure_.message = "nested more than " + std::to_string(maxDepth_) + " levels deep";
                return false;
            }
            open_.push_back(c);
            ++pos_;
            if (!(c == '{' ? handler_.StartObject() : handler_.StartArray())) return Stopped(at);
            want = c == '{' ? Want::KeyOrEnd : Want::ValueOrEnd;
            return true;
        }
        if (c == '"') {
            std::string_view text;
            if (!String(text)) return false;
            taken = handler_.String(text);
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            JsonNumber number;
            if (!Number(number)) return false;
            taken = handler_.Number(number);
        } else if (Literal("true")) {
            taken = handler_.Boolean(true);
        } else if (Literal("false")) {
            taken = handler_.Boolean(false);
        } else if (Literal("null")) {
            taken = handler_.Null();
        } else {
            return Syntax(at, "expected a value");
        }
        if (!taken) return Stopped(at);
        want = open_.empty() ? Want::Nothing : Want::CommaOrEnd;
        return true;
    }

    bool Close(Want& want) {
        const std::size_t at = pos_++;
        const bool object = open_.back() == '{';
        open_.pop_back();
        if (!(object ? handler_.EndObject() : handler_.EndArray())) return Stopped(at);
        want = open_.empty() ? Want::Nothing : Want::CommaOrEnd;
        return true;
    }

    bool Literal(std::string_view word) {
        if (line_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    bool Number(JsonNumber& number) {
        const char* p = line_.data();
        const std::size_t size = line_.size();
        std::size_t i = pos_;
        if (p[i] == '-') ++i;
        if (!IsDigit(p, i, size)) return Syntax(i, "expected a digit in a number");
        if (p[i] == '0') {
            ++i;
        } else {
            while (IsDigit(p, i, size)) ++i;
        }
        number.integer = true;
        if (i < size && p[i] == '.') {
            number.integer = false;
            if (!IsDigit(p, ++i, size)) return Syntax(i, "expected a digit after a decimal point");
            while (IsDigit(p, i, size)) ++i;
        }
        if (i < size && (p[i] == 'e' || p[i] == 'E')) {
            number.integer = false;
            ++i;
            if (i < size && (p[i] == '+' || p[i] == '-')) ++i;
            if (!IsDigit(p, i, size)) return Syntax(i, "expected a digit in an exponent");
            while (IsDigit(p, i, size)) ++i;
        }
        number.text = line_.substr(pos_, i - pos_);
        pos_ = i;
        return true;
    }

    // The string starting at the quote at pos_. Without escapes it is handed
    // out as it lies in the line; with them it is copied as it is resolved.
    bool String(std::string_view& text) {
        const auto* p = reinterpret_cast<const unsigned char*>(line_.data());
        const std::size_t size = line_.size();
        const std::size_t start = pos_ + 1;
        std::size_t i = start, run = start;
        bool escaped = false;
        for (;;) {
            i = PlainBytes(p, i, size);
            if (i >= size) return Syntax(size, "a string does not end on its line");
            if (p[i] == '"') break;
            if (p[i] == '\\') {
                if (!escaped) scratch_.clear();
                escaped = true;
                scratch_.append(line_.data() + run, i - run);
                if (!Escape(i)) return false;
                run = i;
            } else if (p[i] < 0x20) {
                return Syntax(i, "a control character in a string must be written as an escape");
            } else {
                const std::size_t length = Utf8Length(p + i, size - i);
                if (length == 0) return Syntax(i, "a string holds bytes that are not UTF-8");
                i += length;
            }
        }
        if (escaped) {
            scratch_.append(line_.data() + run, i - run);
            text = scratch_;
        } else {
            text = line_.substr(start, i - start);
        }
        pos_ = i + 1;
        return true;
    }

    // Resolves the escape at `i` into scratch_ and moves `i` past it.
    bool Escape(std::size_t& i) {
        const char c = i + 1 < line_.size() ? line_[i + 1] : '\0';
        const char* simple = std::strchr("\"\\/bfnrt", c);
        if (c != '\0' && simple != nullptr) {
            scratch_ += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
            i += 2;
            return true;
        }
        if (c != 'u') return Syntax(i, "an unknown escape in a string");
        std::uint32_t code = 0;
        if (!Hex(i + 2, code)) return false;
        i += 6;
        if (code >= 0xDC00 && code <= 0xDFFF) {
            return Syntax(i - 6, "a low surrogate without a high one before it");
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = 0;
            if (line_.substr(i, 2) != "\\u" || !Hex(i + 2, low) || low < 0xDC00 || low > 0xDFFF) {
                return Syntax(i - 6, "a high surrogate without a low one after it");
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
        }
        AppendUtf8(scratch_, code);
        return true;
    }

    bool Hex(std::size_t at, std::uint32_t& code) {
        code = 0;
        for (std::size_t k = at; k < at + 4; ++k) {
            const char c = k < line_.size() ? line_[k] : '\0';
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return Syntax(k, "expected four hexadecimal digits after \\u");
            code = code * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    void Place(std::size_t at) {
        failure_.line = std::max<std::size_t>(lineNumber_, 1);
        failure_.column = at + 1;
    }
    bool Syntax(std::size_t at, const std::string& what) {
        Place(at);
        failure_.message = "syntax error: " + what;
        return false;
    }
    bool Stopped(std::size_t at) {
        Place(at);
        failure_.message = handler_.problem;
        return false;
    }

    FileLines lines_;
    JsonHandler& handler_;
    std::size_t maxDepth_;
    JsonFailure& failure_;
    std::string_view line_;
    std::size_t pos_ = 0;
    std::size_t lineNumber_ = 0;
    std::vector<char> open_;  // '{' or '[' of each open object or array
    std::string scratch_;     // a string whose escapes were resolved
};

}  // namespace

bool ReadJson(int fd, JsonHandler& handler, std::size_t maxDepth, JsonFailure& failure) {
    return Parser(fd, handler, maxDepth, failure).Run();
}

}  // namespace brindle::host
