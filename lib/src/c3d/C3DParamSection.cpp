#include "C3DParamSection.h"

#include <algorithm>
#include <cstring>

namespace tovfileio::c3dwrite {

void PutU16(std::string& to, std::size_t at, std::uint16_t value) {
    to[at] = static_cast<char>(value & 0xff);
    to[at + 1] = static_cast<char>(value >> 8);
}

void AppendU16(std::string& to, std::uint16_t value) {
    to.push_back(static_cast<char>(value & 0xff));
    to.push_back(static_cast<char>(value >> 8));
}

void AppendFloat(std::string& to, float value) {
    char bytes[4];
    std::memcpy(bytes, &value, 4);
    to.append(bytes, 4);
}

// The section's first four bytes: the first parameter block (1), the
// file's mark (0x50), the block count (set by Blocks) and Intel numbers.
ParamSection::ParamSection() : bytes_("\x01\x50\x00\x54", 4) {}

void ParamSection::Group(int id, const std::string& name) {
    Head(name, static_cast<char>(-id), 3);
    bytes_.push_back('\0');  // no description
}

void ParamSection::Param(int id, const std::string& name, int type,
                         const std::vector<std::uint8_t>& dims, const std::string& data) {
    Head(name, static_cast<char>(id), 2 + 2 + dims.size() + data.size() + 1);
    bytes_.push_back(static_cast<char>(type));
    bytes_.push_back(static_cast<char>(dims.size()));
    for (const std::uint8_t d : dims) bytes_.push_back(static_cast<char>(d));
    bytes_ += data;
    bytes_.push_back('\0');  // no description
}

void ParamSection::Int(int id, const std::string& name, std::uint16_t value) {
    std::string data;
    AppendU16(data, value);
    Param(id, name, 2, {}, data);
}

void ParamSection::Float(int id, const std::string& name, float value) {
    std::string data;
    AppendFloat(data, value);
    Param(id, name, 4, {}, data);
}

void ParamSection::Floats(int id, const std::string& name, const std::vector<std::uint8_t>& dims,
                          const std::vector<float>& values) {
    std::string data;
    for (const float value : values) AppendFloat(data, value);
    Param(id, name, 4, dims, data);
}

void ParamSection::Ints(int id, const std::string& name, const std::vector<std::uint8_t>& dims,
                        const std::vector<std::int16_t>& values) {
    std::string data;
    for (const std::int16_t value : values) AppendU16(data, static_cast<std::uint16_t>(value));
    Param(id, name, 2, dims, data);
}

void ParamSection::FloatList(int id, const std::string& name, const std::vector<float>& values) {
    std::size_t from = 0;
    int part = 1;
    do {
        const std::size_t count = std::min(kPerParam, values.size() - from);
        Floats(id, part == 1 ? name : name + std::to_string(part), {static_cast<std::uint8_t>(count)},
               std::vector<float>(values.begin() + from, values.begin() + from + count));
        from += count;
        ++part;
    } while (from < values.size());
}

void ParamSection::Text(int id, const std::string& name, const std::string& text) {
    Param(id, name, -1, {static_cast<std::uint8_t>(text.size())}, text);
}

void ParamSection::Texts(int id, const std::string& name, const std::vector<std::string>& texts) {
    std::size_t length = 1;
    for (const std::string& text : texts) length = std::max(length, text.size());
    std::size_t from = 0;
    int part = 1;
    do {
        const std::size_t count = std::min({kPerParam, kRecordData / length, texts.size() - from});
        std::string data;
        for (std::size_t i = from; i < from + count; ++i) {
            data += texts[i];
            data.append(length - texts[i].size(), ' ');
        }
        Param(id, part == 1 ? name : name + std::to_string(part), -1,
              {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(count)}, data);
        from += count;
        ++part;
    } while (from < texts.size());
}

std::string ParamSection::Blocks() {
    bytes_.append(kBlock - (bytes_.size() % kBlock == 0 ? kBlock : bytes_.size() % kBlock), '\0');
    bytes_[2] = static_cast<char>(bytes_.size() / kBlock);
    return bytes_;
}

void ParamSection::Head(const std::string& name, char group, std::size_t following) {
    bytes_.push_back(static_cast<char>(name.size()));
    bytes_.push_back(group);
    bytes_ += name;
    AppendU16(bytes_, static_cast<std::uint16_t>(following));
}

}  // namespace tovfileio::c3dwrite
