#include "cli/files/ImportableCopy.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/files/FileSizeLimit.h"
#include "cli/files/InputConversion.h"
#include "cli/files/InputFile.h"
#include "cli/files/ReadLimits.h"
#include "cli/files/InterruptCleanup.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/text/TextCodec.h"

using tovfileio::FileKind;
using tovfileio::UpAxis;

std::optional<UpChoice> ParseUpChoice(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "y") return UpChoice::kY;
    if (lower == "z") return UpChoice::kZ;
    if (lower == "auto") return UpChoice::kAuto;
    return std::nullopt;
}

std::optional<tovfileio::CalibrationUnits> ParseUnitsKeyword(const std::string& text) {
    const auto units = tovfileio::KnownCalibrationUnits(std::string_view(text));
    if (!units || text != tovfileio::CalibrationUnitsKeyword(*units)) return std::nullopt;
    return units;
}

namespace {

// The axis the take at `readPath` stands along, as `choice` says or its data
// tell; what auto told is said when it is not the format's convention.
UpAxis ChooseUp(const std::string& name, FileKind kind, UpChoice choice,
                const tovfileio::Standing* standing, const CommandIO& io) {
    const UpAxis convention = tovfileio::ConventionalUp(kind);
    if (choice == UpChoice::kY) return UpAxis::kY;
    if (choice == UpChoice::kZ) return UpAxis::kZ;
    const bool hasConvention = tovfileio::KindInfo(kind).upFixed;
    if (standing == nullptr || (choice == UpChoice::kDefault && hasConvention) ||
        standing->evidence == tovfileio::Standing::Evidence::kNone) {
        return convention;
    }
    const std::optional<UpAxis> up = standing->Up();
    const std::string reason = " (" + standing->Reason() + ")";
    if (!up) {
        const std::string how = standing->headDown ? "head down" : "along X";
        io.Err(name + ": stands " + how + reason + "; shown as the file holds it\n");
        return convention;
    }
    if (*up == convention) return convention;
    io.Err(name + ": stands " + tovfileio::UpAxisName(*up) + reason + "; turned upright\n");
    return *up;
}

}  // namespace

ImportableCopy::~ImportableCopy() {
    if (folder_.empty()) return;
    if (copied_) ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
    UnregisterFromCleanup(fileSlot_);
    UnregisterFromCleanup(folderSlot_);
}

bool ImportableCopy::Make(const std::string& name, const CommandIO& io, std::string& error,
                          UpChoice up, const std::optional<tovfileio::Standing>* known) {
    const NamedInput named = InputNamed(name);
    path_ = named.path;
    kind_ = named.kind;
    // A name that is no regular file goes to the importer as the naming rule
    // leads it, which says why one does not open; or, to be cleaned, to the
    // conversion, which says the same.
    struct stat status {};
    const bool regular = ::stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode);
    if (!regular && steps_.empty()) return true;
    InputFile input;
    if (!input.Resolve(name, io, error)) return false;
    const FileKind kind = input.Kind();
    // A file its reader refuses is left to the conversion or the importer,
    // which say why.
    tovfileio::Standing standing;
    bool told = false;
    if (known != nullptr && kind == FileKind::kTrc && input.ReadPath() == name) {
        told = known->has_value();
        if (told) standing = **known;
    } else {
        told = tovfileio::FindStanding(input.ReadPath(), kind, standing).empty();
    }
    if (told && tovfileio::HoldsMarkers(kind)) emptyFrames_ = standing.emptyFrames;
    const UpAxis stands = ChooseUp(name, kind, up, told ? &standing : nullptr, io);
    const bool turned = stands != tovfileio::ConventionalUp(kind);
    stands_ = stands;
    // The importer reads a "NaN" field as 0: a copy holds such samples as
    // the dropouts they are.
    const bool nan = told && standing.nanSamples > 0;
    if ((kind == FileKind::kHtr || kind == FileKind::kTrc) && !turned && !nan && steps_.empty() && !inUnits_) {
        return true;
    }

    const FileKind copyKind =
        tovfileio::HoldsSkeleton(kind) ? FileKind::kHtr : FileKind::kTrc;
    folder_ = MakeRegisteredFolder(TempFolderPattern(), folderSlot_);
    if (folder_.empty()) {
        error = name + ": a temporary copy could not be made: " + std::strerror(errno);
        return false;
    }
    std::string stem = BaseName(name);
    if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
    const std::string copy = folder_ + "/" + stem + tovfileio::KindInfo(copyKind).extension;
    fileSlot_ = RegisterForCleanup(copy);

    tovfileio::ConversionRequest request = InputConversion(input, copy, copyKind);
    request.baseName = tovfileio::PathToWide(stem);
    request.inUp = stands;
    request.inUnits = inUnits_;
    // The take is shown as it is read, with the reader's warnings.
    request.acceptMisread = true;
    request.findings = &findings_;
    request.cleaning = steps_;
    // The copy is held to the output limit a conversion is: a file whose rows
    // name far more markers than they hold would otherwise grow without end.
    const std::uint64_t limit = OutputLimit(FileBytes(input.ReadPath()), std::nullopt);
    tovfileio::ConversionResult result;
    bool tooLarge = false;
    {
        FileSizeLimit sizeLimit(limit);
        result = tovfileio::Convert(request);
        tooLarge = sizeLimit.Reached();
    }
    if (tooLarge) {
        error = name + ": a temporary copy could not be made: " + OutputTooLarge(limit, 0);
        return false;
    }
    if (!result.readMessage.empty()) {
        error = name + ": " + tovfileio::EncodeUtf8(result.readMessage);
        return false;
    }
    if (!result.writeMessage.empty()) {
        error = name + ": a temporary copy could not be made: " +
                tovfileio::EncodeUtf8(result.writeMessage);
        return false;
    }
    path_ = copy;
    kind_ = copyKind;
    copied_ = true;
    if (!steps_.empty()) {
        cleaning_ = std::move(result.cleaning);
        // The steps may have cut frames or dropped markers: the copy's own
        // empty start is the one shown.
        tovfileio::Standing cleaned;
        emptyFrames_ = tovfileio::FindStanding(copy, copyKind, cleaned).empty() ? cleaned.emptyFrames : 0;
    }
    return true;
}
