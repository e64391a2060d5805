#include "cli/report/ImportRefusal.h"

#include <cstring>

#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/TextCodec.h"

namespace {

std::string CannotOpen(const OperationReport& report, const std::string& path, tovfileio::FileKind format) {
    const std::string tried = tovfileio::EncodeUtf8(report.file);
    const std::string reason = std::strerror(report.openError);
    std::string text = path + ": the file could not be opened (" +
                       (tried == path ? reason : "tried " + tried + ": " + reason) + ")";
    const tovfileio::FileKind other = format == tovfileio::FileKind::kHtr ? tovfileio::FileKind::kTrc : tovfileio::FileKind::kHtr;
    if (tried != path && KindOfInput(path) == other) {
        text += other == tovfileio::FileKind::kTrc ? "; a TRC file is imported by import-trc"
                                         : "; an HTR file is imported by import-htr";
    }
    return text;
}

// The file holds `held` frames (or rows), of which its header gives
// `header`.
std::string NoFrames(const std::string& path, std::uint64_t held, std::int64_t header,
                     tovfileio::FileKind format) {
    const char* singular = format == tovfileio::FileKind::kHtr ? "frame" : "data row";
    const char* plural = format == tovfileio::FileKind::kHtr ? "frames" : "data rows";
    if (held == 0) {
        return path + ": the file holds no " + plural + ", so there is nothing to import";
    }
    if (header == 0) {
        return path + ": its header gives 0 frames (the file holds " +
               tovfileio::Counted(held, singular, plural) + "), so there is nothing to import";
    }
    return std::string();
}

}  // namespace

std::string ImportRefusalCause(const OperationReport& report, const std::string& path,
                               tovfileio::FileKind format) {
    if (report.openError != 0) return CannotOpen(report, path, format);
    if (report.fileRead) return NoFrames(path, report.framesHeld, report.headerFrames, format);
    return std::string();
}
