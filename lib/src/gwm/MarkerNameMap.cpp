#include "tovfileio/gwm/MarkerNameMap.h"

#include <algorithm>
#include <string_view>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

namespace {

bool IsWhiteSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// The next word of `text`, skipping white space before it; empty at the end.
std::wstring_view NextWord(std::wstring_view& text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsWhiteSpace(text[begin])) ++begin;
    std::size_t end = begin;
    while (end < text.size() && !IsWhiteSpace(text[end])) ++end;
    const std::wstring_view word = text.substr(begin, end - begin);
    text.remove_prefix(end);
    return word;
}

}  // namespace

bool MarkerNameMap::ReadMNMFile(const std::wstring& path) {
    int error = 0;
    const std::unique_ptr<TextLines> lines = TextFiles().OpenLines(path, error);
    if (!lines) return false;
    while (const std::wstring* line = lines->ReadLine()) {
        std::wstring_view rest(*line);
        const std::wstring_view gwmName = NextWord(rest);
        const std::wstring_view trcName = NextWord(rest);
        if (trcName.empty()) continue;
        entries_.push_back({std::wstring(gwmName), std::wstring(trcName), 0});
    }
    return true;
}

bool MarkerNameMap::CanHoldName(const std::wstring& name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), IsWhiteSpace);
}

bool MarkerNameMap::WriteMNMFile(const std::wstring& path) const {
    int error = 0;
    const std::unique_ptr<TextOutput> file = TextFiles().CreateOutput(path, error);
    if (!file) return false;
    for (const MarkerNameMapEntry& entry : entries_) {
        file->Write(EncodeUtf8(entry.gwmName));
        file->Write("\t");
        file->Write(EncodeUtf8(entry.trcName));
        file->Write("\t\n");
    }
    // A file not written whole (a full disk) is not in place: the creator
    // says it failed and keeps the picks.
    return file->Commit();
}

bool MarkerNameMap::LookupTRCName(std::wstring& name) const {
    for (const MarkerNameMapEntry& entry : entries_) {
        if (entry.trcName == name) {
            name = entry.gwmName;
            return true;
        }
    }
    return false;
}

void MarkerNameMap::ApplyFilter(TRCFile& trc) const {
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        TRCMarker& marker = *trc.GetMarker(i);
        std::wstring name = marker.GetName();
        const bool mapped = LookupTRCName(name);
        if (mapped) marker.SetName(std::move(name));
        marker.SetIncluded(mapped);
    }
}

bool MarkerNameMap::TakeLast(MarkerNameMapEntry& entry) {
    if (entries_.empty()) return false;
    entry = std::move(entries_.back());
    entries_.pop_back();
    return true;
}

}  // namespace tovfileio
