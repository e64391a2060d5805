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

using H = KindHolds;
constexpr std::optional<UpAxis> kYUp = UpAxis::kY, kZUp = UpAxis::kZ, kAsSource;

constexpr std::array<FileKindInfo, 9> kKinds{{
    {FileKind::kHtr, "HTR", "htr", "an", ".htr", true, true, H::kSkeleton, kYUp, false, kHtrBecomes},
    {FileKind::kTrc, "TRC", "trc", "a", ".trc", true, true, H::kMarkers, kYUp, false, kTrcBecomes},
    {FileKind::kGwm, "GWM", "gwm", "a", ".gwm", true, true, H::kMarkers, kZUp, true, kGwmBecomes},
    {FileKind::kMnm, "MNM", "mnm", "an", ".mnm", true, true, H::kNothing, kAsSource, false, {}},
    {FileKind::kC3d, "C3D", "c3d", "a", ".c3d", true, true, H::kMarkers, kZUp, true, kC3dBecomes},
    {FileKind::kBvh, "BVH", "bvh", "a", ".bvh", true, true, H::kSkeleton, kYUp, false, kBvhBecomes},
    {FileKind::kCsv, "CSV", "csv", "a", ".csv", false, true, H::kMarkers, kAsSource, false, {}},
    {FileKind::kGltf, "glTF", "gltf", "a", ".gltf", false, false, H::kScene, kYUp, true, {}},
    {FileKind::kGlb, "binary glTF", "glb", "a", ".glb", false, false, H::kScene, kYUp, true, {}},
}};

constexpr FileKindInfo kUnknownKind{FileKind::kUnknown, "unknown", "", "an", "", false, false,
                                    H::kNothing, kAsSource, false, {}};

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

FileKind KindByKeyword(std::string_view keyword) {
    if (!keyword.empty() && keyword.front() == '.') keyword.remove_prefix(1);
    for (const FileKindInfo& info : kKinds) {
        const std::string_view known = info.keyword;
        if (keyword.size() == known.size() && EndsWithNoCase(keyword, known)) return info.kind;
    }
    return FileKind::kUnknown;
}

UpAxis ConventionalUp(FileKind kind) { return KindInfo(kind).up.value_or(UpAxis::kY); }

const char* UpAxisName(UpAxis axis) { return axis == UpAxis::kZ ? "Z-up" : "Y-up"; }

std::optional<UpAxis> UpAxisNamed(std::string_view text) {
    if (text == "y" || text == "Y") return UpAxis::kY;
    if (text == "z" || text == "Z") return UpAxis::kZ;
    return std::nullopt;
}

std::string MarkerUpConventions() {
    std::string z, y, source;
    auto add = [](std::string& list, const char* name) {
        list += (list.empty() ? "" : " and ") + std::string(name);
    };
    for (const FileKindInfo& info : kKinds) {
        if (info.holds != KindHolds::kMarkers || !info.written) continue;
        if (!info.up) {
            add(source, info.name);
        } else {
            add(*info.up == UpAxis::kZ ? z : y, info.name);
        }
    }
    return "Z for " + z + ", Y for " + y + "; " + source + " keeps the input's";
}

std::string FixedZUpKinds() {
    std::string text;
    for (const FileKindInfo& info : kKinds) {
        if (!IsTakeKind(info.kind) || !info.upFixed || info.up != UpAxis::kZ) continue;
        text += (text.empty() ? "" : " and ") + std::string(info.name);
    }
    return text;
}

std::string TakeKindNames() {
    std::vector<const char*> names;
    for (const FileKindInfo& info : kKinds) {
        if (IsTakeKind(info.kind)) names.push_back(info.name);
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + std::string(names[i]);
    }
    return text;
}

bool HoldsMarkers(FileKind kind) { return KindInfo(kind).holds == KindHolds::kMarkers; }

bool HoldsSkeleton(FileKind kind) { return KindInfo(kind).holds == KindHolds::kSkeleton; }

std::vector<FileKind> WrittenAs(FileKind in, bool scenes) {
    const std::span<const FileKind> becomes = KindInfo(in).becomes;
    std::vector<FileKind> kinds(becomes.begin(), becomes.end());
    if (!scenes || kinds.empty()) return kinds;
    for (const FileKindInfo& info : kKinds) {
        if (info.holds == KindHolds::kScene) kinds.push_back(info.kind);
    }
    return kinds;
}

std::string ConvertsToText(FileKind in, bool scenes) {
    const FileKindInfo& from = KindInfo(in);
    const std::vector<FileKind> kinds = WrittenAs(in, scenes);
    std::string text = std::string(from.article) + " " + from.name + " file converts to ";
    if (kinds.empty()) return text + "nothing";
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const FileKindInfo& info = KindInfo(kinds[i]);
        if (i > 0) text += i + 1 == kinds.size() ? " or " : ", ";
        text += std::string(info.name) + " (" + info.extension + ")";
    }
    return text;
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
