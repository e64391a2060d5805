#include "view/NodeSide.h"

namespace tovview {
namespace {

bool IsSeparator(char c) { return c == '_' || c == '.' || c == ' ' || c == '-'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
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

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() > end.size() && text.substr(text.size() - end.size()) == end;
}

// Landmarks found on both sides of the pelvis and chest, whose codes take a
// side letter before them ("LIPS", "RASI") or a lower-case one after them
// ("ASISr", "PSISl"). Landmarks not listed here take an "l" or "r" after
// them for lateral or radial too ("EPICl", "STYLr"), so a letter after
// them is no side.
bool IsPairedLandmark(std::string_view code) {
    constexpr std::string_view kCodes[] = {"ASI", "ASIS", "PSI",  "PSIS", "IAS",
                                           "IPS", "SIAS", "SIPS", "STER"};
    for (const std::string_view known : kCodes) {
        if (code == known) return true;
    }
    return false;
}

// Capitals that begin with an L or R and spell a word of the body or rig
// ("LOWERBACK", "RIBS"; "LARM" the lower arm, "LATH" the lateral hand), not
// a side and the rest of a name.
bool SpellsAWord(std::string_view part) {
    constexpr std::string_view kWords[] = {"LOWER", "LUMBAR", "LEG",  "LIP",  "LUNG",  "LARM", "LAT",
                                           "LAST",  "RIB",    "ROOT", "REF",  "REAR",  "RING", "RADIUS"};
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

// A part that is a side word, or begins with "Left" or "Right" in any case,
// or ends in them capitalised: "lt", "R", "leftfoot", "ArmRight".
Side SideOfWords(std::string_view part) {
    if (IsAnyCase(part, "l") || IsAnyCase(part, "lt") || BeginsWithAnyCase(part, "left")) {
        return Side::kLeft;
    }
    if (IsAnyCase(part, "r") || IsAnyCase(part, "rt") || BeginsWithAnyCase(part, "right")) {
        return Side::kRight;
    }
    if (EndsWith(part, "Left")) return Side::kLeft;
    if (EndsWith(part, "Right")) return Side::kRight;
    return Side::kNone;
}

// A side letter before a capital or a digit: "LFHD", "RMT5", "lHand". Not a
// two-letter code ("RS"), a word in capitals or a lumbar vertebra, unless
// what follows the letter is a paired landmark's code ("LIPS").
Side SideOfLeadingLetter(std::string_view part) {
    if (part.size() < 2 || !(IsUpper(part[1]) || IsDigit(part[1]))) return Side::kNone;
    const Side side = SideOfLetter(part[0]);
    const std::string_view rest = part.substr(1);
    if (side == Side::kNone || IsPairedLandmark(rest)) return side;
    if (rest.size() == 1 && IsUpper(rest[0])) return Side::kNone;
    if (SpellsAWord(part) || IsLumbarVertebra(part)) return Side::kNone;
    return side;
}

// A side letter after a change of case: a capital after lower case
// ("KneeR", "hipL"), or a lower-case one after a paired landmark's code
// ("ASISr").
Side SideOfTrailingLetter(std::string_view part) {
    if (part.size() < 3) return Side::kNone;
    const char last = part.back();
    const std::string_view stem = part.substr(0, part.size() - 1);
    if (IsUpper(last) && IsLower(stem.back())) return SideOfLetter(last);
    if (IsLower(last) && IsPairedLandmark(stem)) return SideOfLetter(last);
    return Side::kNone;
}

// The side one part of a name, between separators, says.
Side SideOfPart(std::string_view part) {
    for (const auto reading : {SideOfWords, SideOfLeadingLetter, SideOfTrailingLetter}) {
        const Side side = reading(part);
        if (side != Side::kNone) return side;
    }
    return Side::kNone;
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
