// Parsing of a C3D file's parameter section, and the labels and texts the
// reader takes from its character arrays.
#include "C3DParams.h"

#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "tovfileio/text/TextCodec.h"

namespace tovfileio::c3dread {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    return text;
}

std::uint64_t Clamped(double value, std::uint64_t most) {
    if (!(value > 0)) return 0;
    if (value >= static_cast<double>(most)) return most;
    return static_cast<std::uint64_t>(value);
}

namespace {

// The product of `dims`, held at the most a count holds; 0 when one is 0.
std::uint64_t Product(const std::vector<std::uint32_t>& dims) {
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t values = 1;
    for (const std::uint32_t d : dims) {
        if (d == 0) return 0;
        values = values > kMost / d ? kMost : values * d;
    }
    return values;
}

}  // namespace

std::optional<ParamDamage> Params::Parse(std::string_view section, std::uint64_t offset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(section.data());
    const std::uint64_t size = section.size();
    std::unordered_map<int, std::string> groups;
    std::vector<std::pair<int, std::pair<std::string, Param>>> records;
    std::uint64_t at = 4;
    while (at + 2 <= size) {
        const auto nameLength = static_cast<std::int8_t>(bytes[at]);
        const auto group = static_cast<std::int8_t>(bytes[at + 1]);
        if (nameLength == 0 || group == 0) break;
        const std::uint64_t nameBytes = static_cast<std::uint64_t>(std::abs(nameLength));
        const std::uint64_t link = at + 2 + nameBytes;
        if (link + 2 > size) return ParamDamage{offset + at, "a parameter runs past the parameter section"};
        const std::string name = Upper(section.substr(at + 2, nameBytes));
        const std::int16_t step = c3dbytes::I16(processor_, bytes + link);
        if (step < 0) {
            return ParamDamage{offset + link, "parameter " + name + " points back into the parameter section"};
        }
        const bool last = step == 0 || link + static_cast<std::uint64_t>(step) >= size;
        const std::uint64_t end = last ? size : link + static_cast<std::uint64_t>(step);
        if (group < 0) {
            groups[-group] = name;
        } else {
            const std::uint64_t head = link + 4;
            if (head > end) return ParamDamage{offset + link, "parameter " + name + " is cut short"};
            Param param;
            param.type = static_cast<std::int8_t>(bytes[link + 2]);
            if (param.type != -1 && param.type != 1 && param.type != 2 && param.type != 4) {
                return ParamDamage{offset + link + 2,
                               "parameter " + name + " has type " + std::to_string(param.type) +
                                   ", not -1, 1, 2 or 4"};
            }
            const std::uint64_t dimensions = bytes[link + 3];
            if (head + dimensions > end) {
                return ParamDamage{offset + link + 3, "parameter " + name + " is cut short"};
            }
            // A record whose dimensions ask for more values than it holds
            // (older systems' force-plate records) gives the values that
            // fit before the next record.
            param.dims.assign(bytes + head, bytes + head + dimensions);
            const std::uint64_t asked = Product(param.dims);
            const std::uint64_t room = (end - head - dimensions) / static_cast<std::uint64_t>(std::abs(param.type));
            const std::uint64_t values = std::min(asked, room);
            if (asked > room) param.asked = asked;
            param.data = section.substr(head + dimensions,
                                        values * static_cast<std::uint64_t>(std::abs(param.type)));
            records.push_back({group, {name, std::move(param)}});
        }
        if (last) break;
        at = end;
    }
    for (auto& [group, named] : records) {
        const auto found = groups.find(group);
        const std::string key = (found != groups.end() ? found->second : "#" + std::to_string(group)) +
                                ":" + named.first;
        const auto [kept, added] = byName_.emplace(key, std::move(named.second));
        if (added && kept->second.asked != 0) shortNames_.push_back(key);
    }
    return std::nullopt;
}


std::vector<std::string_view> Texts(const Params& params, const std::string& name, std::uint64_t count) {
    std::vector<std::string_view> texts;
    for (int k = 1; texts.size() < count; ++k) {
        const Param* param = params.Find(k == 1 ? name : name + std::to_string(k));
        if (param == nullptr) break;
        if (param->type != -1) continue;
        const std::uint64_t length = param->dims.empty() ? param->data.size() : param->dims[0];
        if (length == 0) continue;
        for (std::uint64_t at = 0; at + length <= param->data.size() && texts.size() < count;
             at += length) {
            texts.push_back(param->data.substr(at, length));
        }
    }
    return texts;
}

DistinctNames NamesFromLabels(const std::vector<std::string_view>& labels, std::uint64_t count,
                              const std::wstring& fallback) {
    DistinctNames result;
    result.names.reserve(count);
    std::unordered_set<std::wstring> taken;
    std::unordered_map<std::wstring, std::uint64_t> nextSuffix;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::wstring label = i < labels.size() ? DecodeUtf8(TrimEnd(labels[i])) : std::wstring();
        std::wstring name = label.empty() ? fallback + std::to_wstring(i + 1) : label;
        if (taken.count(name) != 0) {
            std::uint64_t& suffix = nextSuffix.try_emplace(name, 2).first->second;
            std::wstring tried;
            do {
                tried = name + L"_" + std::to_wstring(suffix++);
            } while (taken.count(tried) != 0);
            name = std::move(tried);
        }
        if (name != label && result.renamed++ == 0) result.firstRenamed = name;
        taken.insert(name);
        result.names.push_back(std::move(name));
    }
    return result;
}

}  // namespace tovfileio::c3dread
