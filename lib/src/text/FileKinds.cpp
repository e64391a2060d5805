#include "tovfileio/text/FileKinds.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace tovfileio {
namespace {

// What each kind converts into, its usual conversion first: the one made
// when the output's name says no format.
constexpr std::array<FileKind, 4> kHtrBecomes{FileKind::kHtr, FileKind::kBvh, FileKind::kTrc,
                                              FileKind::kCsv};
constexpr std::array<FileKind, 4> kBvhBecomes{FileKind::kHtr, FileKind::kBvh, FileKind::kTrc,
                                              FileKind::kCsv};
constexpr std::array<FileKind, 4> kTrcBecomes{FileKind::kGwm, FileKind::kTrc, FileKind::kC3d,
                                              FileKind::kCsv};
constexpr std::array<FileKind, 4> kC3dBecomes{FileKind::kTrc, FileKind::kGwm, FileKind::kC3d,
                                              FileKind::kCsv};
constexpr std::array<FileKind, 3> kGwmBecomes{FileKind::kTrc, FileKind::kC3d, FileKind::kCsv};

constexpr std::array<FileKindInfo, 7> kKinds{{
    {FileKind::kHtr, "HTR", "an", ".htr", true, true, kHtrBecomes},
    {FileKind::kTrc, "TRC", "a", ".trc", true, true, kTrcBecomes},
    {FileKind::kGwm, "GWM", "a", ".gwm", true, true, kGwmBecomes},
    {FileKind::kMnm, "MNM", "an", ".mnm", true, true, {}},
    {FileKind::kC3d, "C3D", "a", ".c3d", true, true, kC3dBecomes},
    {FileKind::kBvh, "BVH", "a", ".bvh", true, true, kBvhBecomes},
    {FileKind::kCsv, "CSV", "a", ".csv", false, true, {}},
}};

constexpr FileKindInfo kUnknownKind{FileKind::kUnknown, "unknown", "an", "", false, false, {}};

// Bytes a file is told by: enough for the marks below and a comment or two
// before an HTR file's header.
constexpr std::size_t kSniffBytes = 4096;

bool EndsWithNoCase(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    for (std::size_t i = 0; i < end.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[text.size() - end.size() + i]);
        if (std::tolower(c) != end[i]) return false;
    }
    return true;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

}  // namespace

std::span<const FileKindInfo> FileKinds() { return kKinds; }

const FileKindInfo& KindInfo(FileKind kind) {
    for (const FileKindInfo& info : kKinds) {
        if (info.kind == kind) return info;
    }
    return kUnknownKind;
}

FileKind KindByName(std::string_view path) {
    for (const FileKindInfo& info : kKinds) {
        if (EndsWithNoCase(path, info.extension)) return info.kind;
    }
    return FileKind::kUnknown;
}

bool LooksBinary(std::string_view bytes) {
    if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) return false;
    return bytes.substr(0, kSniffBytes).find('\0') != std::string_view::npos;
}

FileKind KindByContent(std::string_view bytes) {
    // A C3D header: the number of the first parameter block, then 0x50.
    if (LooksBinary(bytes)) {
        return bytes.size() >= 2 && bytes[1] == '\x50' ? FileKind::kC3d : FileKind::kUnknown;
    }
    if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (StartsWith(bytes, "PathFileType")) return FileKind::kTrc;
    if (StartsWith(bytes, "$Comments") || StartsWith(bytes, "$Filename")) return FileKind::kGwm;
    if (StartsWith(bytes, "HIERARCHY")) return FileKind::kBvh;
    const std::string_view head = bytes.substr(0, kSniffBytes);
    if (head.find("[Header]") != head.npos || StartsWith(head, "FileType") ||
        head.find("\nFileType") != head.npos) {
        return FileKind::kHtr;
    }
    return FileKind::kUnknown;
}

std::string FirstBytesOf(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::string();
    std::string head(kSniffBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    return head;
}

FileKind KindOfFile(const std::string& path) { return KindByContent(FirstBytesOf(path)); }

bool IsTakeKind(FileKind kind) {
    return kind != FileKind::kUnknown && kind != FileKind::kMnm && KindInfo(kind).read;
}

FileKind KindOfTake(const std::string& path) {
    const FileKind content = KindOfFile(path);
    if (content == FileKind::kC3d || content == FileKind::kBvh || content == FileKind::kGwm) {
        return content;
    }
    const FileKind named = KindByName(path);
    if (IsTakeKind(named)) return named;
    return IsTakeKind(content) ? content : FileKind::kUnknown;
}

}  // namespace tovfileio
