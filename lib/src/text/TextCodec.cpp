// Conversions between wide text and UTF-8 bytes, and the one-character UTF-8
// decoding step that the line reader shares.
#include "tovfileio/text/TextCodec.h"

#include <cstddef>
#include <cstdint>

#include "Utf8Step.h"

namespace {

struct LeadByte {
    std::uint8_t length;  // bytes in the sequence; 0 when the byte cannot lead one
    std::uint8_t low;     // allowed range of the second byte; narrower than 80..BF
    std::uint8_t high;    // where it excludes overlongs, surrogates and > U+10FFFF
};

constexpr LeadByte ClassifyLead(unsigned char b) noexcept {
    if (b >= 0xC2 && b <= 0xDF)
        return {2, 0x80, 0xBF};
    if (b == 0xE0)
        return {3, 0xA0, 0xBF};
    if (b == 0xED)
        return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF)
        return {3, 0x80, 0xBF};
    if (b == 0xF0)
        return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3)
        return {4, 0x80, 0xBF};
    if (b == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF carry raw path bytes 80..FF

bool IsScalarValue(std::uint32_t c) noexcept {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes a whole byte string; invalid bytes become `invalidBase` + byte.
std::wstring DecodeAll(std::string_view text, char32_t invalidBase) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    // The ASCII run at the front, most often the whole text, a character a
    // byte without a call or a check of the string's room each.
    std::size_t pos = 0;
    while (pos < text.size() && bytes[pos] < 0x80) ++pos;
    std::wstring out(pos, L'\0');
    for (std::size_t i = 0; i < pos; ++i) out[i] = static_cast<wchar_t>(bytes[i]);
    if (pos == text.size()) return out;
    out.reserve(text.size());
    while (pos < text.size()) {
        char32_t c = 0;
        bool invalid = false;
        std::size_t used =
            tovfileio::textcodec::DecodeUtf8Char(bytes + pos, text.size() - pos, &c, &invalid);
        if (used == 0) {  // a sequence cut short by the end of the text
            c = bytes[pos];
            invalid = true;
            used = 1;
        }
        out.push_back(static_cast<wchar_t>(invalid ? invalidBase + c : c));
        pos += used;
    }
    return out;
}

}  // namespace

namespace tovfileio::textcodec {

std::size_t DecodeUtf8Char(const unsigned char* bytes, std::size_t avail, char32_t* out,
                           bool* invalid) noexcept {
    const unsigned char lead = bytes[0];
    *out = lead;
    *invalid = false;
    if (lead < 0x80)
        return 1;
    const LeadByte kind = ClassifyLead(lead);
    *invalid = true;
    if (kind.length == 0)
        return 1;
    for (std::size_t i = 1; i < kind.length; ++i) {
        if (i >= avail) {
            *invalid = false;
            return 0;
        }
        const unsigned char low = i == 1 ? kind.low : 0x80;
        const unsigned char high = i == 1 ? kind.high : 0xBF;
        if (bytes[i] < low || bytes[i] > high)
            return 1;
    }
    // The lead byte keeps 7 - length payload bits, each continuation byte 6.
    char32_t value = lead & (0x7Fu >> kind.length);
    for (std::size_t i = 1; i < kind.length; ++i)
        value = (value << 6) | (bytes[i] & 0x3Fu);
    *out = value;
    *invalid = false;
    return kind.length;
}

}  // namespace tovfileio::textcodec

namespace tovfileio {

std::wstring DecodeUtf8(std::string_view bytes) {
    return DecodeAll(bytes, 0);
}

std::string EncodeUtf8(std::wstring_view text) {
    // Names are mostly ASCII: the run before the first other character is
    // copied a byte a character, without growing the string each time.
    std::size_t ascii = 0;
    while (ascii < text.size() && static_cast<std::uint32_t>(text[ascii]) < 0x80) ++ascii;
    std::string out(ascii, '\0');
    for (std::size_t i = 0; i < ascii; ++i) out[i] = static_cast<char>(text[i]);
    if (ascii == text.size()) return out;
    out.reserve(text.size() + 3 * (text.size() - ascii));
    for (const wchar_t ch : text.substr(ascii)) {
        const auto c = static_cast<std::uint32_t>(ch);
        AppendUtf8(out, IsScalarValue(c) ? c : kReplacement);
    }
    return out;
}

std::wstring PathToWide(std::string_view nativePath) {
    // Valid UTF-8 never decodes to a surrogate, so the escapes cannot collide
    // with real characters and the mapping stays reversible.
    return DecodeAll(nativePath, kEscapeBase);
}

std::string WideToPath(std::wstring_view widePath) {
    std::string out;
    out.reserve(widePath.size());
    for (const wchar_t ch : widePath) {
        const auto c = static_cast<std::uint32_t>(ch);
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out.push_back(static_cast<char>(c - kEscapeBase));
        } else {
            AppendUtf8(out, IsScalarValue(c) ? c : kReplacement);
        }
    }
    return out;
}

}  // namespace tovfileio
