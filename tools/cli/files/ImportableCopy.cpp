#include "cli/files/ImportableCopy.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/files/InputFile.h"
#include "cli/files/InterruptCleanup.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/text/TextCodec.h"

using tovfileio::FileKind;

ImportableCopy::~ImportableCopy() {
    if (folder_.empty()) return;
    if (kind_) ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
    UnregisterFromCleanup(fileSlot_);
    UnregisterFromCleanup(folderSlot_);
}

bool ImportableCopy::Make(const std::string& name, const CommandIO& io, std::string& error) {
    path_ = name;
    // A name that is no regular file is left to the importer, which takes
    // typed names its own way and says why one does not open.
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return true;
    InputFile input;
    if (!input.Resolve(name, io, error)) return false;
    const FileKind kind = input.Kind();
    if (kind == FileKind::kHtr || kind == FileKind::kTrc) return true;

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

    tovfileio::ConversionRequest request;
    request.in = input.ReadPath();
    request.inKind = kind;
    request.out = tovfileio::PathToWide(copy);
    request.outKind = copyKind;
    request.baseName = tovfileio::PathToWide(stem);
    const tovfileio::ConversionResult result = tovfileio::Convert(request);
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
    return true;
}
