#include "cli/report/ImportRefusal.h"

#include <cstring>

#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/TextCodec.h"

namespace {

std::string CannotOpen(const OperationReport& report, const std::string& path, FileFormat format) {
    const std::string tried = tovfileio::EncodeUtf8(report.file);
    const std::string reason = std::strerror(report.openError);
    std::string text = path + ": the file could not be opened (" +
                       (tried == path ? reason : "tried " + tried + ": " + reason) + ")";
    const FileFormat other = format == FileFormat::Htr ? FileFormat::Trc : FileFormat::Htr;
    if (tried != path && DetectFileFormat(path) == other) {
        text += other == FileFormat::Trc ? "; a TRC file is imported by import-trc"
                                         : "; an HTR file is imported by import-htr";
    }
    return text;
}

// The file holds `held` frames (or rows), of which its header gives
// `header`.
std::string NoFrames(const std::string& path, std::uint64_t held, std::int64_t header,
                     FileFormat format) {
    const char* singular = format == FileFormat::Htr ? "frame" : "data row";
    const char* plural = format == FileFormat::Htr ? "frames" : "data rows";
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
                               FileFormat format) {
    if (report.openError != 0) return CannotOpen(report, path, format);
    if (report.fileRead) return NoFrames(path, report.framesHeld, report.headerFrames, format);
    return std::string();
}
