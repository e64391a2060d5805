// Small pieces of text shared by the file summaries of `tovfileio info`.
#pragma once

#include <charconv>
#include <string>

#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/TextCodec.h"

// The shortest text that reads back as the same double.
inline std::string ShortestText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A command-line path as UTF-8 for display: bytes that are not UTF-8 show as
// replacement characters.
inline std::string DisplayName(const std::string& file) {
    return tovfileio::EncodeUtf8(tovfileio::PathToWide(file));
}

// A format's name as JSON gives it: "htr", "c3d".
inline std::string KindKeyword(tovfileio::FileKind kind) {
    std::string name = tovfileio::KindInfo(kind).name;
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name;
}
