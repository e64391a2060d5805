// How a scene document is refused: one line saying where in the document a
// value lies and what is wrong with it ("node 4 (\"Hips\"): position: key 2:
// ..."), thrown from wherever reading or checking finds it and turned into
// the error of LoadSceneDocument.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "brindle/sdk/TextCodec.h"

namespace brindle::host {

// What is wrong with a document, as the rest of the error line.
struct DocumentError {
    std::string message;
};

[[noreturn]] inline void FailDocument(std::string message) {
    throw DocumentError{std::move(message)};
}

// Text from a document safe to put on one line of a message: control
// characters shown as '?', at most 200 bytes.
inline std::string Printable(std::string_view text) {
    std::string shown;
    for (const char c : text.substr(0, 200)) {
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    if (text.size() > 200) shown += "...";
    return shown;
}

// Where in the document a value lies, for messages: "node 4 (\"Hips\"):
// position: ". The words are made only when a message is said, so a place
// costs nothing to make: a node by its number and name, or a member of
// another place, which must outlive it.
class Place {
public:
    Place() = default;
    // Node `index` (from 0) before its name is known: "node 4: ".
    static Place Node(std::size_t index) {
        Place node;
        node.number_ = index + 1;
        return node;
    }
    // Node `index` named `utf8` or `name`: "node 4 (\"Hips\"): ".
    static Place Node(std::size_t index, std::string_view utf8) {
        Place node = Node(index);
        node.utf8_ = utf8;
        node.named_ = true;
        return node;
    }
    static Place Node(std::size_t index, const std::wstring& name) {
        Place node = Node(index);
        node.wide_ = &name;
        node.named_ = true;
        return node;
    }
    // The member `field` of this place: "node 4 (\"Hips\"): position: ".
    Place Member(const char* field) const {
        Place member;
        member.outer_ = this;
        member.field_ = field;
        return member;
    }

    std::string Text() const {
        if (outer_ != nullptr) return outer_->Text() + field_ + ": ";
        if (number_ == 0) return {};
        std::string text = "node " + std::to_string(number_);
        if (named_) {
            text += " (\"";
            text += wide_ != nullptr ? Printable(TextCodec::EncodeUtf8(*wide_)) : Printable(utf8_);
            text += "\")";
        }
        return text + ": ";
    }
    [[noreturn]] void Fail(const std::string& what) const { FailDocument(Text() + what); }

private:
    const Place* outer_ = nullptr;
    const char* field_ = nullptr;
    std::size_t number_ = 0;  // a node's number from 1; 0 for none
    bool named_ = false;
    std::string_view utf8_;
    const std::wstring* wide_ = nullptr;
};


}  // namespace brindle::host
