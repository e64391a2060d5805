#include "tovfileio/clean/TakeEdits.h"

#include <map>
#include <memory>
#include <optional>
#include <set>

namespace tovfileio {

namespace {

// The index of the marker named `name`, or none.
std::optional<std::uint32_t> MarkerNamed(const TRCFile& take, const std::wstring& name) {
    for (std::uint32_t i = 0; i < take.GetNumMarkers(); ++i) {
        if (take.GetMarker(i)->GetName() == name) return i;
    }
    return std::nullopt;
}

std::wstring NoMarkerNamed(const std::wstring& name) { return L"The take has no marker named " + name; }

}  // namespace

std::wstring KeepFrames(TRCFile& take, std::int64_t from, std::int64_t to) {
    // Frames as the file numbers its rows, which the take's outputs keep.
    RowNumbering numbering = take.GetRowNumbering();
    const std::int64_t start = numbering.firstFrame;
    const std::int64_t last = start + static_cast<std::int64_t>(take.GetNumRows()) - 1;
    if (from > to) {
        return L"The range " + std::to_wstring(from) + L" to " + std::to_wstring(to) + L" holds no frame";
    }
    if (from < start || to > last) {
        return L"The take holds frames " + std::to_wstring(start) + L" to " + std::to_wstring(last) +
               L", not " + std::to_wstring(from) + L" to " + std::to_wstring(to);
    }
    const auto first = static_cast<std::size_t>(from - start);
    const auto count = static_cast<std::size_t>(to - from + 1);
    for (std::uint32_t i = 0; i < take.GetNumMarkers(); ++i) take.GetMarker(i)->KeepSamples(first, count);
    take.SetStartFrame(static_cast<std::int32_t>(take.GetStartFrame() + static_cast<std::int64_t>(first)));
    numbering.firstFrame = from;
    numbering.firstPeriods += static_cast<double>(first);
    take.SetRowNumbering(numbering);
    take.SetNumRows(static_cast<std::uint32_t>(count));
    take.SetNumFrames(static_cast<std::int32_t>(count));
    return std::wstring();
}

std::wstring RenameMarkers(TRCFile& take, const std::vector<std::pair<std::wstring, std::wstring>>& names,
                           bool skipAbsent) {
    std::map<std::uint32_t, std::wstring> renamed;
    for (const auto& [from, to] : names) {
        const std::optional<std::uint32_t> index = MarkerNamed(take, from);
        if (!index && skipAbsent) continue;
        if (!index) return NoMarkerNamed(from);
        renamed[*index] = to;
    }
    std::set<std::wstring> taken;
    for (std::uint32_t i = 0; i < take.GetNumMarkers(); ++i) {
        const auto found = renamed.find(i);
        const std::wstring& name = found != renamed.end() ? found->second : take.GetMarker(i)->GetName();
        if (!taken.insert(name).second) return L"Two markers would be named " + name;
    }
    for (const auto& [index, name] : renamed) take.GetMarker(index)->SetName(name);
    return std::wstring();
}

std::wstring ChooseMarkers(TRCFile& take, const std::vector<std::wstring>& names, bool keep) {
    std::vector<char> named(take.GetNumMarkers(), 0);
    for (const std::wstring& name : names) {
        const std::optional<std::uint32_t> index = MarkerNamed(take, name);
        if (!index) return NoMarkerNamed(name);
        named[*index] = 1;
    }
    std::unique_ptr<bool[]> drop(new bool[named.size()]);
    for (std::size_t i = 0; i < named.size(); ++i) drop[i] = (named[i] != 0) != keep;
    take.RemoveMarkers(std::span<const bool>(drop.get(), named.size()));
    return std::wstring();
}

}  // namespace tovfileio
