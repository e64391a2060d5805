// The parameter section of a C3D file: its records by "GROUP:NAME", and the
// text and number arrays the reader takes from them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "C3DBytes.h"

namespace tovfileio::c3dread {

using c3dbytes::Processor;

std::string Upper(std::string_view text);

// Text with trailing blanks and NULs dropped.
std::string_view TrimEnd(std::string_view text);

// A number the file gives, held to [0, most] (NaN: 0).
std::uint64_t Clamped(double value, std::uint64_t most);

// One parameter: its type (-1 char, 1 byte, 2 int16, 4 float), dimensions
// and data, the values of the dimensions that its record holds.
struct Param {
    int type = 0;
    std::vector<std::uint32_t> dims;
    std::string_view data;
    std::uint64_t asked = 0;  // the values the dimensions ask for, when the record holds fewer

    std::uint64_t Count() const { return data.size() / static_cast<std::uint64_t>(std::abs(type)); }
};

// Where the parameter section is damaged and how, in words.
struct ParamDamage {
    std::uint64_t offset = 0;  // in the file
    std::string what;
};

// The parameters of a file by "GROUP:NAME", upper case, with the numbers
// read as the processor gives them.
class Params {
public:
    explicit Params(Processor processor) : processor_(processor) {}

    // Reads the records of the parameter section `section` (at `offset` in
    // the file). Each record's offset word must lead forward, so the walk
    // ends; a record whose type, dimension count or name runs past its end
    // or past the section is damage.
    std::optional<ParamDamage> Parse(std::string_view section, std::uint64_t offset);

    const Param* Find(const std::string& name) const {
        const auto found = byName_.find(name);
        return found == byName_.end() ? nullptr : &found->second;
    }
    // Value `index` of a numeric parameter, or none.
    std::optional<double> Number(const Param* param, std::uint64_t index = 0) const {
        if (param == nullptr || param->type < 1 || index >= param->Count()) return std::nullopt;
        const auto* at = reinterpret_cast<const unsigned char*>(param->data.data()) +
                         index * static_cast<std::uint64_t>(param->type);
        switch (param->type) {
            case 1: return at[0];
            case 2: return c3dbytes::I16(processor_, at);
            default: return c3dbytes::F32(processor_, at);
        }
    }
    // A count: 16-bit integers read unsigned, which is how files past 32,767
    // give them.
    std::optional<double> Count(const Param* param, std::uint64_t index = 0) const {
        if (param != nullptr && param->type == 2 && index < param->Count()) {
            return c3dbytes::U16(processor_, reinterpret_cast<const unsigned char*>(
                                                 param->data.data()) + 2 * index);
        }
        return Number(param, index);
    }
    std::optional<double> Count(const std::string& name) const { return Count(Find(name)); }

    // The parameters whose dimensions ask for more values than their
    // records hold, in the order of the section.
    const std::vector<std::string>& ShortNames() const { return shortNames_; }

private:
    Processor processor_;
    std::map<std::string, Param> byName_;
    std::vector<std::string> shortNames_;
};

// The texts of a character array and its continuations (`name`, then
// `name` 2, 3, ...) in order, up to `count`: each as long as the array's
// first dimension, blanks kept.
std::vector<std::string_view> Texts(const Params& params, const std::string& name, std::uint64_t count);

// Names for `count` items from their labels, trailing blanks trimmed: an
// item without a label, or with a label an earlier item has, is named
// "<fallback><N>" (N its place from 1) or "<label>_<K>" (K from 2) instead.
struct DistinctNames {
    std::vector<std::wstring> names;
    std::uint64_t renamed = 0;  // names that are not the item's label
    std::wstring firstRenamed;
};
DistinctNames NamesFromLabels(const std::vector<std::string_view>& labels, std::uint64_t count,
                              const std::wstring& fallback);

}  // namespace tovfileio::c3dread
