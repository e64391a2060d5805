// The everyday edits of a marker take held whole: its frames cut to a
// range, its markers renamed, kept or dropped. Every value not edited stays
// as it is.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// Keeps the rows of the frames numbered `from` to `to` as the take numbers
// them (its start frame is the first row's number); the first kept becomes
// the start frame. Empty on success, else why nothing was changed.
std::wstring KeepFrames(TRCFile& take, std::int64_t from, std::int64_t to);

// Renames each marker named as the first of a pair to the second. Empty on
// success; else why nothing was changed: a name no marker has, or two
// markers that would share a name. With `skipAbsent` (the pairs of a
// marker-name map, written for a marker set a take may hold only part of)
// a pair whose first name no marker has is passed over instead.
std::wstring RenameMarkers(TRCFile& take, const std::vector<std::pair<std::wstring, std::wstring>>& names,
                           bool skipAbsent = false);

// Keeps only the markers named (`keep` true), or drops them (false). Empty
// on success, else why nothing was changed: a name no marker has.
std::wstring ChooseMarkers(TRCFile& take, const std::vector<std::wstring>& names, bool keep);

}  // namespace tovfileio
