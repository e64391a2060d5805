#include "cli/report/ImportFailure.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "tovfileio/text/TextCodec.h"
#include "cli/report/FindingReport.h"
#include "plugin/FilePaths.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

// Counts the rows of a TRC file without keeping them.
class RowCount : public TRCRowSink {
public:
    bool Row(std::span<const TRCSample>) override { return true; }
};

// What the reader found when it could not open the file; empty for another
// refusal, which the importer's own message names.
std::string CannotOpen(const std::string& path, const FindingList& findings, FileFormat format) {
    const ReadFinding* refusal = findings.Refusal();
    if (refusal == nullptr || refusal->code != ReadFindingCode::kCannotOpen) return std::string();
    std::string text = path + ": the file could not be opened " + RefusalContext(findings, path);
    const FileFormat other = format == FileFormat::Htr ? FileFormat::Trc : FileFormat::Htr;
    const auto* open = refusal->Get<findingdetail::CannotOpen>();
    if (DetectFileFormat(path) == other && open != nullptr && open->pathTried != path) {
        text += other == FileFormat::Trc ? "; a TRC file is imported by import-trc"
                                         : "; an HTR file is imported by import-htr";
    }
    return text;
}

// `held` frames (or rows) of which the header gives `header`.
std::string NoFrames(const std::string& path, std::uint64_t held, std::int64_t header,
                     const char* singular, const char* plural) {
    if (held == 0) {
        return path + ": the file holds no " + plural + ", so there is nothing to import";
    }
    if (header == 0) {
        return path + ": its header gives 0 frames (the file holds " +
               Counted(held, singular, plural) + "), so there is nothing to import";
    }
    return std::string();
}

std::string HtrCause(const std::string& path) {
    FindingList findings;
    HTRFile file;
    if (!file.Read(HtrFileFor(tovfileio::PathToWide(path)), &findings).empty()) {
        return CannotOpen(path, findings, FileFormat::Htr);
    }
    std::uint64_t held = 0;
    for (std::uint32_t i = 0; i < file.SegmentCount(); ++i) {
        held = std::max<std::uint64_t>(held, file.Segment(i)->FrameCount());
    }
    return NoFrames(path, held, file.GetNumFrames(), "frame", "frames");
}

std::string TrcCause(const std::string& path) {
    FindingList findings;
    RowCount rows;
    TRCFile file;
    if (!file.Read(TrcFileFor(tovfileio::PathToWide(path)), {&findings, &rows}).empty()) {
        return CannotOpen(path, findings, FileFormat::Trc);
    }
    return NoFrames(path, file.GetNumRows(), file.GetNumFrames(), "data row", "data rows");
}

}  // namespace

std::string ImportFailureCause(const std::string& path, FileFormat format) {
    return format == FileFormat::Htr ? HtrCause(path) : TrcCause(path);
}
