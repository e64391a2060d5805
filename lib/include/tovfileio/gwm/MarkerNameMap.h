// The marker-name map of an MNM file: pairs of a GWM marker code and the TRC
// marker name that carries it, in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovfileio {

class TRCFile;

struct MarkerNameMapEntry {
    std::wstring gwmName;
    std::wstring trcName;
    std::uint32_t nodeHandle = 0;  // the picked scene node; 0 for entries read from a file
};

class MarkerNameMap {
public:
    // Appends one entry per line of the MNM file at `path` (the map is not
    // emptied first). A line gives an entry when it holds two names, split at
    // white space; further words are ignored, a line with fewer adds nothing.
    // False when the file cannot be opened.
    bool ReadMNMFile(const std::wstring& path);
    // Writes every entry in order, "gwmName<tab>trcName<tab>" and a line feed,
    // replacing any file at `path`. False when the file cannot be created or
    // written whole (then an older file at `path` stays as it was).
    bool WriteMNMFile(const std::wstring& path) const;
    // When an entry's TRC name equals `name` exactly (the first such entry),
    // replaces `name` by its GWM name and returns true; else leaves it.
    bool LookupTRCName(std::wstring& name) const;
    // Renames and includes every marker of `trc` that the map names; every
    // other marker is excluded.
    void ApplyFilter(TRCFile& trc) const;

    // Whether a TRC name written to an MNM file reads back as itself: not
    // empty and without white space, at which the reader splits a line.
    static bool CanHoldName(const std::wstring& name);

    void Append(MarkerNameMapEntry entry) { entries_.push_back(std::move(entry)); }
    // Takes the last entry off; false when the map is empty.
    bool TakeLast(MarkerNameMapEntry& entry);
    void Clear() { entries_.clear(); }
    const std::vector<MarkerNameMapEntry>& Entries() const { return entries_; }

private:
    std::vector<MarkerNameMapEntry> entries_;
};

}  // namespace tovfileio
