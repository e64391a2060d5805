#include "cli/commands/ConvertTarget.h"

#include <algorithm>
#include <vector>

using tovfileio::FileKind;
using tovfileio::KindInfo;

namespace {

// Whether convert writes files of `kind` from some input: a library writer
// or a scene's.
bool Writes(FileKind kind) {
    const tovfileio::FileKindInfo& info = KindInfo(kind);
    return (info.written && info.holds != tovfileio::KindHolds::kNothing) ||
           info.holds == tovfileio::KindHolds::kScene;
}

// The kind OUT's name gives, as messages name it: one convert writes, or
// another kind the libraries know; empty for none.
std::string NamedFormat(const std::string& out) {
    const FileKind kind = tovfileio::KindByName(out);
    return kind == FileKind::kUnknown ? std::string() : KindInfo(kind).name;
}

}  // namespace

std::string ConvertKeywords() {
    std::string text;
    for (const tovfileio::FileKindInfo& info : tovfileio::FileKinds()) {
        if (Writes(info.kind)) text += (text.empty() ? "" : "|") + std::string(info.keyword);
    }
    return text;
}

bool ChooseConvertTarget(const ConvertTargetRequest& request, FileKind& kind,
                         std::string& refused) {
    const std::vector<FileKind> kinds = tovfileio::WrittenAs(request.in, true);
    const std::string becomes = tovfileio::ConvertsToText(request.in, true);
    FileKind wanted = FileKind::kUnknown;
    if (!request.to.empty()) {
        wanted = tovfileio::KindByKeyword(request.to);
        if (wanted == FileKind::kUnknown || !Writes(wanted) || request.to.front() == '.') {
            refused = "--to " + request.to + ": give one of " + ConvertKeywords();
            return false;
        }
    } else if (request.outIsPipe) {
        if (std::find(kinds.begin(), kinds.end(), request.in) == kinds.end()) {
            refused = becomes + ": give --to for a pipe";
            return false;
        }
        kind = request.in;
        return true;
    } else if (request.outIsStream) {
        // No name to follow: the input's own conversion.
        if (kinds.empty()) {
            refused = becomes;
            return false;
        }
        kind = kinds.front();
        return true;
    } else {
        wanted = tovfileio::KindByName(request.out);
        if (wanted != FileKind::kUnknown && !Writes(wanted)) {
            refused = becomes + ", not to " + KindInfo(wanted).name;
            return false;
        }
        if (wanted == FileKind::kUnknown) {
            refused = request.out + ": the name gives no format convert writes; " + becomes +
                      ": name the output so, or give --to";
            return false;
        }
    }
    if (std::find(kinds.begin(), kinds.end(), wanted) == kinds.end()) {
        refused = becomes + ", not to " + KindInfo(wanted).name;
        return false;
    }
    // --to names the format where OUT's name gives none; it never writes one
    // format under another's name.
    if (const std::string named = NamedFormat(request.out);
        !request.to.empty() && !request.outIsStream && !named.empty() &&
        named != KindInfo(wanted).name) {
        refused = request.out + ": the name says " + named + ", and --to " + request.to +
                  " writes " + KindInfo(wanted).name;
        return false;
    }
    kind = wanted;
    return true;
}
