// Text from a file or a scene made safe to print on a terminal: a name may
// hold an escape sequence that clears the screen, or a line feed that forges
// a line of the output. Every name the command line prints goes through
// Escaped.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "tovfileio/text/TextCodec.h"

// `text` with its control characters shown: \r, \t and \n, every other C0
// character and DEL as \xNN (an escape as \x1B). Other bytes, UTF-8
// included, are kept.
inline std::string Escaped(std::string_view text) {
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

// A wide name (a node, segment or marker) as escaped UTF-8.
inline std::string EscapedName(const std::wstring& name) {
    return Escaped(tovfileio::EncodeUtf8(name));
}
