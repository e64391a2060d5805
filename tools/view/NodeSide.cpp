#include "view/NodeSide.h"

namespace tovview {
namespace {

bool IsSeparator(char c) { return c == '_' || c == '.' || c == ' ' || c == '-'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` begins with `lower`, a lower-case word, in any case.
bool BeginsWithAnyCase(std::string_view text, std::string_view lower) {
    if (text.size() < lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        if (Lower(text[i]) != lower[i]) return false;
    }
    return true;
}

bool IsAnyCase(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() && BeginsWithAnyCase(text, lower);
}

// Capitals that begin with an L or R and spell a word of the body or rig,
// not a side and the rest of a name.
bool SpellsAWord(std::string_view part) {
    constexpr std::string_view kWords[] = {"LOWER", "LUMBAR", "LEG",  "LIP",  "LUNG",  "RIB",
                                           "ROOT",  "REF",    "REAR", "RING", "RADIUS"};
    for (const std::string_view word : kWords) {
        if (part.substr(0, word.size()) == word) return true;
    }
    return false;
}

// "L1" to "L5" and the joints below them, "L4L5" or "L5S1": lumbar vertebrae.
bool IsLumbarVertebra(std::string_view part) {
    const auto vertebra = [](std::string_view v) {
        return v.size() == 2 && (v[0] == 'L' || v[0] == 'S') && v[1] >= '1' && v[1] <= '5';
    };
    if (part.empty() || part[0] != 'L') return false;
    return vertebra(part) || (part.size() == 4 && vertebra(part.substr(0, 2)) &&
                              vertebra(part.substr(2)));
}

Side SideOfLetter(char c) {
    if (c == 'L' || c == 'l') return Side::kLeft;
    if (c == 'R' || c == 'r') return Side::kRight;
    return Side::kNone;
}

// The side one part of a name, between separators, says.
Side SideOfPart(std::string_view part) {
    if (IsAnyCase(part, "l") || IsAnyCase(part, "lt")) return Side::kLeft;
    if (IsAnyCase(part, "r") || IsAnyCase(part, "rt")) return Side::kRight;
    if (BeginsWithAnyCase(part, "left")) return Side::kLeft;
    if (BeginsWithAnyCase(part, "right")) return Side::kRight;
    const auto endsWith = [part](std::string_view end) {
        return part.size() > end.size() && part.substr(part.size() - end.size()) == end;
    };
    if (endsWith("Left")) return Side::kLeft;
    if (endsWith("Right")) return Side::kRight;
    if (part.size() < 2 || !(IsUpper(part[1]) || IsDigit(part[1]))) return Side::kNone;
    if (SpellsAWord(part) || IsLumbarVertebra(part)) return Side::kNone;
    return SideOfLetter(part[0]);
}

}  // namespace

Side SideOfName(std::string_view name) {
    const std::size_t namespaceEnd = name.find_last_of(":|");
    if (namespaceEnd != std::string_view::npos) name.remove_prefix(namespaceEnd + 1);
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        const Side side = SideOfPart(name.substr(start, end - start));
        if (side != Side::kNone) return side;
        start = end + 1;
    }
    return Side::kNone;
}

const char* SideWord(Side side) {
    switch (side) {
        case Side::kLeft: return "left";
        case Side::kRight: return "right";
        case Side::kNone: break;
    }
    return "";
}

}  // namespace tovview
