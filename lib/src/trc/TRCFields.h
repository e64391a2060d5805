// The tab-separated fields of a TRC line as the reader walks them, on the
// UTF-8 bytes of a line or on a wide line alike: fields are split at tabs
// and numbers and keywords are ASCII, which are the same in both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/LeadingNumber.h"

namespace tovfileio {

namespace trcfields {

template <typename Char>
using Text = std::basic_string_view<Char>;

inline std::wstring Widen(std::string_view bytes) { return DecodeUtf8(bytes); }
inline std::wstring Widen(std::wstring_view text) { return std::wstring(text); }

// A piece of a line as UTF-8 text, for findings: bytes that are not UTF-8
// come out as the characters the reader takes them for.
inline std::string Utf8(std::string_view bytes) { return EncodeUtf8(Widen(bytes)); }
inline std::string Utf8(std::wstring_view text) { return EncodeUtf8(std::wstring(text)); }

// The column, in characters from 1, where `part` (a view into `line`) starts.
template <typename Char>
std::uint64_t ColumnOf(Text<Char> line, const Char* part) {
    const auto offset = static_cast<std::size_t>(part - line.data());
    return 1 + static_cast<std::uint64_t>(Widen(line.substr(0, offset)).size());
}

// Columns of parts of one line taken in order: each counts the characters
// from where the one before stopped, so the columns of all the fields of a
// line cost one pass over it however many there are. A part starts at the
// line's start or after an ASCII character (a tab or a blank), where the
// characters before it decode as they do in the whole line.
template <typename Char>
class ColumnCounter {
public:
    explicit ColumnCounter(Text<Char> line) : line_(line) {}

    // ColumnOf(line, part) for a part at or after the one asked for before.
    std::uint64_t ColumnOf(const Char* part) {
        const auto offset = static_cast<std::size_t>(part - line_.data());
        characters_ += Widen(line_.substr(offset_, offset - offset_)).size();
        offset_ = offset;
        return 1 + static_cast<std::uint64_t>(characters_);
    }

private:
    Text<Char> line_;
    std::size_t offset_ = 0;
    std::size_t characters_ = 0;
};

// True when `text` is exactly the ASCII text `ascii`.
template <typename Char>
bool Is(Text<Char> text, std::string_view ascii) {
    if (text.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        if (text[i] != static_cast<Char>(ascii[i])) return false;
    }
    return true;
}

template <typename Char>
bool IsBlank(Char c) {
    return c == Char(' ') || c == Char('\t');
}

template <typename Char>
Text<Char> Trim(Text<Char> text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

template <typename Char>
bool AllNumberSpace(Text<Char> text) {
    for (const Char c : text) {
        if (!tovtext::IsNumberSpace(c)) return false;
    }
    return true;
}

// Walks the tab-separated fields of a line. Taking a field reads up to the
// next tab (the whole rest when there is none); skipping moves past the next
// tab and does nothing when there is none, so past the last tab every
// further field reads as the line's last field again. The walk remembers
// when a skip found no tab: it has run out of fields.
template <typename Char>
class FieldWalk {
public:
    explicit FieldWalk(Text<Char> line) : rest_(line) {}

    Text<Char> Take() const { return rest_.substr(0, rest_.find(Char('\t'))); }
    void Skip() {
        const std::size_t tab = rest_.find(Char('\t'));
        if (tab != Text<Char>::npos) {
            rest_.remove_prefix(tab + 1);
        } else {
            ranOut_ = true;
        }
    }
    // Once the walk has run out, a skip finds no tab again: it stops there.
    void Skip(int fields) {
        for (int n = 0; n < fields && !ranOut_; ++n) Skip();
    }
    Text<Char> TakeAndSkip() {
        const std::size_t tab = rest_.find(Char('\t'));
        if (tab == Text<Char>::npos) {
            ranOut_ = true;
            return rest_;
        }
        const Text<Char> field = rest_.substr(0, tab);
        rest_.remove_prefix(tab + 1);
        return field;
    }
    bool HasTab() const { return rest_.find(Char('\t')) != Text<Char>::npos; }
    // Take().empty(), without searching for the tab.
    bool FieldEmpty() const { return rest_.empty() || rest_.front() == Char('\t'); }
    bool RanOut() const { return ranOut_; }
    Text<Char> Rest() const { return rest_; }

    // LeadingDouble(TakeAndSkip()). On bytes, a field that starts a number is
    // converted straight from the rest of the line: a number never holds a
    // tab, so it ends inside the field, and the tab is searched for only
    // after it. With `kChecked`, `hasText` tells whether the field holds
    // anything but the number and white space, and `field` is the field.
    // Given `nan`, a field that says NaN sets it (and is no text in a
    // number); a number never does, so only fields that start no number
    // are looked at.
    template <bool kChecked = false>
    double TakeNumberAndSkip(bool* hasText = nullptr, Text<Char>* field = nullptr,
                             bool* nan = nullptr) {
        if constexpr (std::is_same_v<Char, char>) {
            if (!rest_.empty() && !tovtext::IsNumberSpace(rest_.front())) {
                std::size_t used = 0;
                const double value = tovtext::LeadingDouble(rest_, used);
                if (used != 0) {
                    // Mostly the tab follows the number at once.
                    const bool tabNext = used < rest_.size() && rest_[used] == '\t';
                    const std::size_t tab = tabNext ? used : rest_.find('\t', used);
                    if constexpr (kChecked) {
                        *field = rest_.substr(0, tab);
                        *hasText = !tabNext && !AllNumberSpace(field->substr(used));
                    }
                    if (tab != Text<Char>::npos) {
                        rest_.remove_prefix(tab + 1);
                    } else {
                        ranOut_ = true;
                    }
                    return value;
                }
            }
        }
        const Text<Char> taken = TakeAndSkip();
        if (nan != nullptr && SaysNaN(taken)) {
            *nan = true;
            if constexpr (kChecked) {
                *field = taken;
                *hasText = false;
            }
            return 0.0;
        }
        if constexpr (kChecked) {
            *field = taken;
            *hasText = tovtext::ClassifyNumberField(taken) == tovtext::NumberField::kText;
        }
        return tovtext::LeadingDouble(taken);
    }

    // Whether `field` is "NaN" in any letter case, signed or not, with white
    // space around it.
    static bool SaysNaN(Text<Char> field) {
        while (!field.empty() && tovtext::IsNumberSpace(field.back())) field.remove_suffix(1);
        while (!field.empty() && tovtext::IsNumberSpace(field.front())) field.remove_prefix(1);
        if (!field.empty() && (field.front() == Char('-') || field.front() == Char('+'))) {
            field.remove_prefix(1);
        }
        if (field.size() != 3) return false;
        auto lower = [](Char c) { return c >= Char('A') && c <= Char('Z') ? Char(c + 32) : c; };
        return lower(field[0]) == Char('n') && lower(field[1]) == Char('a') &&
               lower(field[2]) == Char('n');
    }

private:
    Text<Char> rest_;
    bool ranOut_ = false;
};

}  // namespace trcfields

}  // namespace tovfileio
