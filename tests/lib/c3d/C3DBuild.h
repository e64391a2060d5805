// C3D files built byte by byte for the tests, in any of the three processor
// forms, without the library's writer: header, parameter records linked by
// their offset words, then the frames.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace c3dtest {

enum Processor { kIntel = 84, kDec = 85, kMips = 86 };

inline std::string U16(Processor p, std::uint16_t v) {
    const char lo = static_cast<char>(v & 0xff), hi = static_cast<char>(v >> 8);
    return p == kMips ? std::string{hi, lo} : std::string{lo, hi};
}

inline std::string F32(Processor p, float v) {
    if (p == kDec) v *= 4.0f;  // VAX F: the IEEE bits of four times the value, halves swapped
    const auto bits = std::bit_cast<std::uint32_t>(v);
    const auto lo = static_cast<std::uint16_t>(bits), hi = static_cast<std::uint16_t>(bits >> 16);
    return p == kIntel ? U16(p, lo) + U16(p, hi) : U16(p, hi) + U16(p, lo);
}

struct Build {
    Processor processor = kIntel;
    float scale = -1.0f;  // negative: float data
    float rate = 100.0f;
    std::uint16_t points = 2;
    std::uint16_t first = 1, last = 0;  // header words 4 and 5
    std::uint16_t analogValues = 0;     // analog values per frame
    std::uint16_t analogChannels = 0;
    int headerAnalogValues = -1;        // header word 3; -1: analogValues
    float analogRate = 0;               // ANALOG:RATE, written when not 0
    std::vector<std::string> labels;    // all in POINT:LABELS when <= 255, else LABELS2 too
    std::string units = "mm";
    // Extra parameters: group id (1 POINT, 2 TRIAL), name, type, dims, data.
    struct Extra {
        int group;
        std::string name;
        int type;
        std::vector<std::uint8_t> dims;
        std::string data;
    };
    std::vector<Extra> extras;
    // Every frame's points as x, y, z and residual (int files: the raw words).
    std::vector<std::vector<std::array<float, 4>>> frames;
    // The analog values of every frame one after another (int files: the
    // raw words); empty: each value a constant.
    std::vector<float> analog;

    std::string Param(int group, const std::string& name, int type, std::vector<std::uint8_t> dims,
                      const std::string& data) const {
        std::string body{static_cast<char>(type), static_cast<char>(dims.size())};
        for (auto d : dims) body.push_back(static_cast<char>(d));
        body += data + '\0';
        return std::string{static_cast<char>(name.size()), static_cast<char>(group)} + name +
               U16(processor, static_cast<std::uint16_t>(body.size() + 2)) + body;
    }
    std::string Group(int id, const std::string& name) const {
        return std::string{static_cast<char>(name.size()), static_cast<char>(-id)} + name +
               U16(processor, 3) + '\0';
    }
    std::string Labels(const std::string& name, std::size_t from, std::size_t count) const {
        std::string data;
        for (std::size_t i = from; i < from + count; ++i) data += (labels[i] + "        ").substr(0, 8);
        return Param(1, name, -1, {8, static_cast<std::uint8_t>(count)}, data);
    }

    std::string Bytes() const {
        const Processor p = processor;
        std::string params = Group(1, "POINT") + Group(2, "TRIAL") + Group(3, "ANALOG") +
                             Param(1, "USED", 2, {}, U16(p, points)) +
                             Param(1, "SCALE", 4, {}, F32(p, scale)) +
                             Param(1, "RATE", 4, {}, F32(p, rate)) +
                             Param(1, "UNITS", -1, {static_cast<std::uint8_t>(units.size())}, units) +
                             Param(3, "USED", 2, {}, U16(p, analogChannels));
        if (analogRate != 0) params += Param(3, "RATE", 4, {}, F32(p, analogRate));
        if (!labels.empty()) params += Labels("LABELS", 0, std::min<std::size_t>(labels.size(), 255));
        if (labels.size() > 255) params += Labels("LABELS2", 255, labels.size() - 255);
        for (const Extra& e : extras) params += Param(e.group, e.name, e.type, e.dims, e.data);
        params = std::string("\x01\x50", 2) + char(0) + char(p) + params;
        params.append(512 - params.size() % 512, '\0');
        params[2] = static_cast<char>(params.size() / 512);

        std::string header(512, '\0');
        const std::uint16_t dataBlock = static_cast<std::uint16_t>(2 + params.size() / 512);
        auto put = [&](int word, const std::string& bytes) { header.replace(2 * (word - 1), bytes.size(), bytes); };
        header[0] = 2;
        header[1] = 0x50;
        put(2, U16(p, points));
        put(3, U16(p, static_cast<std::uint16_t>(headerAnalogValues < 0 ? analogValues
                                                                        : headerAnalogValues)));
        put(4, U16(p, first));
        put(5, U16(p, last));
        put(7, F32(p, scale));
        put(9, U16(p, dataBlock));
        put(10, U16(p, analogChannels != 0 ? analogValues / analogChannels : 0));
        put(11, F32(p, rate));

        std::string data;
        for (const auto& frame : frames) {
            for (const auto& point : frame) {
                for (float v : point) {
                    data += scale < 0 ? F32(p, v) : U16(p, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
                }
            }
            for (int a = 0; a < analogValues; ++a) {
                const std::size_t at = (&frame - frames.data()) * std::size_t{analogValues} + a;
                const float v = at < analog.size() ? analog[at] : scale < 0 ? 12345.0f : 999;
                data += scale < 0 ? F32(p, v) : U16(p, static_cast<std::uint16_t>(static_cast<std::int32_t>(v)));
            }
        }
        return header + params + data;
    }
};

}  // namespace c3dtest
