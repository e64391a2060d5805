#include "Kinds.h"

#include <algorithm>
#include <cctype>

#include <pybind11/pybind11.h>

#include "Findings.h"

using tovfileio::FileKind;

namespace tovpy {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string KindKeyword(FileKind kind) { return Lower(tovfileio::KindInfo(kind).name); }

FileKind KindNamed(const std::string& format) {
    std::string wanted = Lower(format);
    if (!wanted.empty() && wanted.front() == '.') wanted.erase(0, 1);
    std::string known;
    for (const tovfileio::FileKindInfo& info : tovfileio::FileKinds()) {
        if (info.kind == FileKind::kMnm) continue;
        if (Lower(info.name) == wanted) return info.kind;
        known += (known.empty() ? "" : ", ") + Lower(info.name);
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
                   std::wstring(L"Neither the name nor the first bytes tell a format the "
                                L"libraries read (HTR, TRC, C3D, BVH or GWM)") +
                       (formatArgument ? L"; give format=" : L""),
                   {});
}

FileKind KindOfOutput(const std::string& path) { return tovfileio::KindByName(path); }

}  // namespace tovpy
