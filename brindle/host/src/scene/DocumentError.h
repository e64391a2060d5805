// How a scene document is refused: one line saying where in the document a
// value lies and what is wrong with it ("node 4 (\"Hips\"): position: key 2:
// ..."), thrown from wherever reading or checking finds it and turned into
// the error of LoadSceneDocument.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace brindle::host {

// What is wrong with a document, as the rest of the error line.
struct DocumentError {
    std::string message;
};

[[noreturn]] inline void FailDocument(std::string message) {
    throw DocumentError{std::move(message)};
}

// Where in the document a value lies, for messages: "node 4 (\"Hips\"):
// position: ".
struct Place {
    std::string prefix;
    [[noreturn]] void Fail(const std::string& what) const { FailDocument(prefix + what); }
};

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

}  // namespace brindle::host
