#include "tovfileio/text/Phrases.h"

#include <cstdio>

namespace tovfileio {

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Quoted(std::string_view text) {
    if (text.size() > 40) {
        // Cut at a character's start, not inside its UTF-8 bytes.
        std::size_t cut = 40;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        return "\"" + Escaped(text.substr(0, cut)) + "...\"";
    }
    return "\"" + Escaped(text) + "\"";
}

std::string Counted(std::uint64_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace tovfileio
