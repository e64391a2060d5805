#include "Kinds.h"

#include <pybind11/pybind11.h>

#include "Findings.h"
#include "tovfileio/text/TextCodec.h"

using tovfileio::FileKind;

namespace tovpy {

std::string KindKeyword(FileKind kind) { return tovfileio::KindInfo(kind).keyword; }

FileKind KindNamed(const std::string& format) {
    const FileKind kind = tovfileio::KindByKeyword(format);
    // Python reads and writes takes: a map or a scene is no format of its.
    const tovfileio::KindHolds holds = tovfileio::KindInfo(kind).holds;
    if (holds == tovfileio::KindHolds::kMarkers || holds == tovfileio::KindHolds::kSkeleton) {
        return kind;
    }
    std::string known;
    for (const tovfileio::FileKindInfo& info : tovfileio::FileKinds()) {
        if (info.holds != tovfileio::KindHolds::kMarkers &&
            info.holds != tovfileio::KindHolds::kSkeleton) {
            continue;
        }
        known += (known.empty() ? "" : ", ") + std::string(info.keyword);
    }
    throw pybind11::value_error("unknown format '" + format + "'; give one of " + known);
}

FileKind KindOfTake(const std::string& path, bool formatArgument) {
    const FileKind kind = tovfileio::KindOfTake(path);
    if (kind != FileKind::kUnknown) return kind;
    // A file that cannot be read is left to the reader, which says why.
    if (tovfileio::FirstBytesOf(path).empty()) {
        const FileKind named = tovfileio::KindByName(path);
        return tovfileio::IsTakeKind(named) ? named : FileKind::kHtr;
    }
    // The file's content is what is wrong, as for a file the reader refuses.
    RaiseReadError(path,
                   L"Neither the name nor the first bytes tell a format the libraries read (" +
                       tovfileio::DecodeUtf8(tovfileio::TakeKindNames()) + L")" +
                       (formatArgument ? L"; give format=" : L""),
                   {});
}

FileKind KindOfOutput(const std::string& path) { return tovfileio::KindByName(path); }

}  // namespace tovpy
