// What an HTR or TRC file itself says of the frames it holds, read by the
// file's own reader before it is imported: the commands that show a take
// (preview, view) give its findings as info gives them and keep to its
// frames.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

#include "cli/files/CommandIO.h"
#include "cli/files/ImportableCopy.h"
#include "cli/report/FindingReport.h"
#include "tovfileio/convert/Standing.h"

struct FileTake {
    bool read = false;  // false: the reader refused the file; the import says why
    FindingList findings;
    std::int64_t first = 0;
    std::int64_t frames = 0;                  // from `first` on; none when 0 or less
    std::unordered_set<std::wstring> unseen;  // markers with no position at the frame
};

// A TRC file read once for all that is known of it before its import: the
// take ReadTake gives, how it stands, and the markers not seen at the first
// frame that holds a marker.
struct SurveyedTake {
    bool surveyed = false;  // false: the file was not read; read it as before
    FileTake take;
    std::optional<tovfileio::Standing> standing;  // none when the reader refused the file
    std::unordered_set<std::wstring> unseenAtStart;
};

// Reads `path`, a file of `kind` (HTR or TRC), as the importer will read
// it. The frames the file holds are
// those both its header gives and its data fills: the importer keys the
// header's count, and frames past the data hold nothing of the capture.
// For a TRC file, `unseen` names the markers not seen at `frame` (by
// default the first).
void ReadTake(const std::string& path, tovfileio::FileKind kind, std::optional<int> frame,
              FileTake& take);

// Reads `path` for SurveyedTake when it is an existing TRC file; leaves
// every other file unread (not `surveyed`).
SurveyedTake SurveyTake(const std::string& path, std::optional<int> frame);

// For a command that shows a take (preview, view): makes `importable` from
// `name` (ImportableCopy::Make, whose `error` it gives) and reads the take
// it imports into `shown.take`, as ReadTake does. A TRC file imported as
// it is named is read once for both, and is then `surveyed`.
bool MakeShownTake(const std::string& name, std::optional<int> frame, UpChoice up,
                   const CommandIO& io, ImportableCopy& importable, SurveyedTake& shown,
                   std::string& error);

// The markers not seen at `frame`, the first frame of the take that holds
// a marker: known from the survey, else read from what `importable` imports.
std::unordered_set<std::wstring> UnseenAtStart(SurveyedTake& shown, const ImportableCopy& importable,
                                               int frame);
