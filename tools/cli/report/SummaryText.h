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

// Seconds as a person reads them: to the millisecond, without trailing
// zeros ("0.667", "5.8", "12").
inline std::string PersonSeconds(double seconds) {
    char buffer[48];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, seconds,
                                      std::chars_format::fixed, 3);
    std::string text(buffer, result.ptr);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text == "-0" ? "0" : text;
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
