#include "cli/commands/ConvertTarget.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

using tovfileio::FileKind;

namespace {

constexpr std::array<ConvertFormatInfo, 8> kFormats{{
    {ConvertFormat::kHtr, FileKind::kHtr, "htr", "HTR", ".htr"},
    {ConvertFormat::kBvh, FileKind::kBvh, "bvh", "BVH", ".bvh"},
    {ConvertFormat::kTrc, FileKind::kTrc, "trc", "TRC", ".trc"},
    {ConvertFormat::kC3d, FileKind::kC3d, "c3d", "C3D", ".c3d"},
    {ConvertFormat::kGwm, FileKind::kGwm, "gwm", "GWM", ".gwm"},
    {ConvertFormat::kCsv, FileKind::kCsv, "csv", "CSV", ".csv"},
    {ConvertFormat::kGltf, FileKind::kUnknown, "gltf", "glTF", ".gltf"},
    {ConvertFormat::kGlb, FileKind::kUnknown, "glb", "binary glTF", ".glb"},
}};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What a file of kind `in` becomes: the libraries' conversions of it, then
// glTF for any take a scene shows (every kind that converts at all).
std::vector<ConvertFormat> FormatsOf(FileKind in) {
    std::vector<ConvertFormat> formats;
    for (const FileKind kind : tovfileio::KindInfo(in).becomes) {
        for (const ConvertFormatInfo& info : kFormats) {
            if (info.kind == kind) formats.push_back(info.format);
        }
    }
    if (!formats.empty()) {
        formats.push_back(ConvertFormat::kGltf);
        formats.push_back(ConvertFormat::kGlb);
    }
    return formats;
}

// "a TRC file converts to GWM (.gwm), glTF (.gltf) or binary glTF (.glb)";
// "an MNM file converts to nothing".
std::string BecomesText(FileKind in) {
    const tovfileio::FileKindInfo& from = tovfileio::KindInfo(in);
    const std::vector<ConvertFormat> formats = FormatsOf(in);
    std::string text = std::string(from.article) + " " + from.name + " file converts to ";
    if (formats.empty()) return text + "nothing";
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const ConvertFormatInfo& info = FormatInfo(formats[i]);
        if (i > 0) text += i + 1 == formats.size() ? " or " : ", ";
        text += std::string(info.name) + " (" + info.extension + ")";
    }
    return text;
}

const ConvertFormatInfo* FormatByName(const std::string& out) {
    const std::string lower = Lower(out);
    for (const ConvertFormatInfo& info : kFormats) {
        if (EndsWith(lower, info.extension)) return &info;
    }
    return nullptr;
}

const ConvertFormatInfo* FormatByKeyword(const std::string& to) {
    for (const ConvertFormatInfo& info : kFormats) {
        if (Lower(to) == info.keyword) return &info;
    }
    return nullptr;
}

// The format OUT's name gives, as messages name it: one convert writes, or
// another kind the libraries know; empty for none.
std::string NamedFormat(const std::string& out) {
    if (const ConvertFormatInfo* info = FormatByName(out)) return info->name;
    const FileKind kind = tovfileio::KindByName(out);
    return kind == FileKind::kUnknown ? std::string() : tovfileio::KindInfo(kind).name;
}

std::string Keywords() {
    std::string text;
    for (const ConvertFormatInfo& info : kFormats) text += (text.empty() ? "" : "|") + std::string(info.keyword);
    return text;
}

}  // namespace

std::span<const ConvertFormatInfo> ConvertFormats() { return kFormats; }

const ConvertFormatInfo& FormatInfo(ConvertFormat format) {
    for (const ConvertFormatInfo& info : kFormats) {
        if (info.format == format) return info;
    }
    return kFormats.front();
}

bool ChooseConvertTarget(const ConvertTargetRequest& request, ConvertFormat& format,
                         std::string& refused) {
    const std::vector<ConvertFormat> formats = FormatsOf(request.in);
    const ConvertFormatInfo* wanted = nullptr;
    if (!request.to.empty()) {
        wanted = FormatByKeyword(request.to);
        if (wanted == nullptr) {
            refused = "--to " + request.to + ": give one of " + Keywords();
            return false;
        }
    } else if (request.outIsStream) {
        // No name to follow: the input's own conversion.
        if (formats.empty()) {
            refused = BecomesText(request.in);
            return false;
        }
        format = formats.front();
        return true;
    } else {
        wanted = FormatByName(request.out);
        const FileKind named = tovfileio::KindByName(request.out);
        if (wanted == nullptr && named != FileKind::kUnknown) {
            refused = BecomesText(request.in) + ", not to " + tovfileio::KindInfo(named).name;
            return false;
        }
        if (wanted == nullptr) {
            refused = request.out + ": the name gives no format convert writes; " +
                      BecomesText(request.in) + ": name the output so, or give --to";
            return false;
        }
    }
    if (std::find(formats.begin(), formats.end(), wanted->format) == formats.end()) {
        refused = BecomesText(request.in) + ", not to " + wanted->name;
        return false;
    }
    // --to names the format where OUT's name gives none; it never writes one
    // format under another's name.
    if (const std::string named = NamedFormat(request.out);
        !request.to.empty() && !request.outIsStream && !named.empty() && named != wanted->name) {
        refused = request.out + ": the name says " + named + ", and --to " + request.to +
                  " writes " + wanted->name;
        return false;
    }
    format = wanted->format;
    return true;
}
