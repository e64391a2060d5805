#include "ui/LineAnswers.h"

#include <cctype>

namespace brindle::host {
namespace {

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

LineAnswer Make(LineAnswer::Kind kind, std::string target = {}, std::string text = {}) {
    LineAnswer answer;
    answer.kind = kind;
    answer.target = std::move(target);
    answer.text = std::move(text);
    return answer;
}

}  // namespace

LineAnswer ParseLineAnswer(const std::string& raw) {
    using Kind = LineAnswer::Kind;
    const std::string line = Trim(raw);
    if (line.empty()) return Make(Kind::Empty);
    const std::size_t space = line.find_first_of(" \t");
    const std::string word = Lower(line.substr(0, space));
    const std::string rest = space == std::string::npos ? std::string() : Trim(line.substr(space));
    if (rest.empty()) {
        if (word == "y" || word == "yes") return Make(Kind::Yes);
        if (word == "n" || word == "no") return Make(Kind::No);
        if (word == "enter" || word == "ok") return Make(Kind::Enter);
        if (word == "escape" || word == "cancel") return Make(Kind::Escape);
        if (word == "close") return Make(Kind::Close);
        if (word == "right-click") return Make(Kind::RightClick);
        if (word == "exit") return Make(Kind::Exit);
        if (word == "quit") return Make(Kind::Quit);
        if (word == "help" || word == "?") return Make(Kind::Help);
        if (word == "click" || word == "pick" || word == "type") {
            return Make(Kind::Invalid, word + " needs what to act on");
        }
        return Make(Kind::Text, line);
    }
    if (word == "click") return Make(Kind::Click, rest);
    if (word == "pick") return Make(Kind::Pick, rest);
    if (word == "type") {
        // The control is one word (an id or a one-word label); the rest of
        // the line, blanks inside kept, is the text.
        const std::size_t split = rest.find_first_of(" \t");
        if (split == std::string::npos) return Make(Kind::Type, rest, "");
        return Make(Kind::Type, rest.substr(0, split), Trim(rest.substr(split)));
    }
    return Make(Kind::Text, line);
}

}  // namespace brindle::host
