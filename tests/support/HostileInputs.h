// Inputs no reader should trust: garbage, odd encodings, huge lines and
// every truncation of a valid file. Each reader's tests run them through
// its own rules and expect a result or the reader's own message.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace tovtest {

struct HostileInput {
    std::string name;
    std::string bytes;
};

// `text` in UTF-16, little-endian, with or without its byte-order mark.
inline std::string Utf16(const std::string& text, bool withMark) {
    std::string out = withMark ? std::string("\xFF\xFE", 2) : std::string();
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

// The generic cases, built around a valid file `valid` of the reader.
inline std::vector<HostileInput> HostileInputs(const std::string& valid) {
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    std::string withNuls = valid;
    for (std::size_t i = 3; i < withNuls.size(); i += 7) withNuls[i] = '\0';
    return {
        {"binary garbage", garbage},
        {"NUL bytes in a valid file", withNuls},
        {"UTF-16 with byte-order mark", Utf16(valid, true)},
        {"UTF-16 without byte-order mark", Utf16(valid, false)},
        {"lines of tabs only", std::string(200, '\t') + "\n" + std::string(100, '\t') + "\n\t\n"},
        {"one line of 50 MB", valid.substr(0, valid.find('\n') + 1) +
                                  std::string(50u << 20, '\t') + "x\n" + valid},
        {"only line ends", std::string(100000, '\n')},
    };
}

}  // namespace tovtest
