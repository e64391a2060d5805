// The parameter section of a C3D file as the writer builds it: Intel
// numbers, group and parameter records each linked to the next by its
// offset word, padded to whole blocks. Kept apart from the writer so that
// a program making C3D files of its own (the benchmarks' generator) makes
// the section the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tovfileio::c3dwrite {

constexpr std::size_t kBlock = 512;
// Items a char parameter's second dimension (a byte) can count, and the
// longest label.
constexpr std::size_t kPerParam = 255;
// Bytes a record's data may take: its offset word is a signed 16-bit one.
constexpr std::size_t kRecordData = 32000;
// Blocks the parameter section may take: its count is a byte.
constexpr std::size_t kMostParamBlocks = 255;

void PutU16(std::string& to, std::size_t at, std::uint16_t value);
void AppendU16(std::string& to, std::uint16_t value);
void AppendFloat(std::string& to, float value);

// The records of a parameter section, each linked to the next.
class ParamSection {
public:
    ParamSection();

    void Group(int id, const std::string& name);
    // A parameter of `type` with `dims` and its data as the file holds it.
    void Param(int id, const std::string& name, int type, const std::vector<std::uint8_t>& dims,
               const std::string& data);
    void Int(int id, const std::string& name, std::uint16_t value);
    void Float(int id, const std::string& name, float value);
    // A numeric array of `dims` (the first running fastest): floats, or
    // 16-bit integers.
    void Floats(int id, const std::string& name, const std::vector<std::uint8_t>& dims,
                const std::vector<float>& values);
    void Ints(int id, const std::string& name, const std::vector<std::uint8_t>& dims,
              const std::vector<std::int16_t>& values);
    // One float for each of `values`, 255 to an array: `name`, then name2,
    // name3, ... for the rest.
    void FloatList(int id, const std::string& name, const std::vector<float>& values);
    void Text(int id, const std::string& name, const std::string& text);
    // `texts` as char arrays [length, count] of at most 255 each: `name`,
    // then name2, name3, ... for the rest.
    void Texts(int id, const std::string& name, const std::vector<std::string>& texts);

    // The section padded to whole blocks, its block count in its third byte.
    std::string Blocks();

private:
    // Name length, group, name, and the offset word: `following` bytes from
    // the word's start to the next record.
    void Head(const std::string& name, char group, std::size_t following);

    std::string bytes_;
};

}  // namespace tovfileio::c3dwrite
