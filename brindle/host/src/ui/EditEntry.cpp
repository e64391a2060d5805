#include "brindle/host/ui/EditEntry.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace brindle::host {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// `text` without the blanks around it, narrowed; none when it holds a
// character no number is written with.
std::optional<std::string> NumberCharacters(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    std::string narrow;
    for (const wchar_t c : text) {
        const bool digit = c >= L'0' && c <= L'9';
        if (!digit && c != L'+' && c != L'-' && c != L'.' && c != L'e' && c != L'E') {
            return std::nullopt;
        }
        narrow.push_back(static_cast<char>(c));
    }
    return narrow;
}

// The number `text` spells whole, in the form `kind` takes; none for
// anything else. A leading "+" is allowed as a person may type one.
std::optional<double> WholeNumber(std::string_view text, EditEntry::Kind kind) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return std::nullopt;
    const char* end = text.data() + text.size();
    if (kind == EditEntry::Kind::Whole) {
        std::int64_t value = 0;
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        if (error != std::errc() || stop != end) return std::nullopt;
        return static_cast<double>(value);
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string Bound(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace

bool EditTakes(const EditEntry& entry, std::wstring_view text) {
    if (entry.kind == EditEntry::Kind::Text) return true;
    const std::optional<std::string> characters = NumberCharacters(text);
    if (!characters) return false;
    // A field may be cleared, as a person clears it before typing anew.
    if (characters->empty()) return true;
    const std::optional<double> value = WholeNumber(*characters, entry.kind);
    return value && entry.Holds(*value);
}

std::string EditEntryWords(const EditEntry& entry) {
    switch (entry.kind) {
        case EditEntry::Kind::Text: return "any text";
        case EditEntry::Kind::Whole:
            return "whole numbers from " + Bound(entry.low) + " to " + Bound(entry.high);
        case EditEntry::Kind::Number: break;
    }
    return "numbers from " + Bound(entry.low) + " to " + Bound(entry.high);
}

}  // namespace brindle::host
