#include "cli/StagedOutput.h"

#include "cli/InterruptCleanup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

StagedOutput::StagedOutput(std::string finalPath) : finalPath_(std::move(finalPath)) {
    const std::size_t slash = finalPath_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : finalPath_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath_ : finalPath_.substr(slash + 1);
    tempFolder_ = MakeRegisteredFolder(folder + "." + name + ".partial-XXXXXX", folderSlot_);
    if (tempFolder_.empty()) {
        error_ = errno != 0 ? errno : EIO;
        return;
    }
    // Known before the writer makes it.
    tempPath_ = tempFolder_ + "/" + name;
    fileSlot_ = RegisterForCleanup(tempPath_);
}

StagedOutput::~StagedOutput() {
    if (!tempFolder_.empty()) {
        if (!committed_) std::remove(tempPath_.c_str());
        ::rmdir(tempFolder_.c_str());
    }
    UnregisterFromCleanup(fileSlot_);
    UnregisterFromCleanup(folderSlot_);
}

bool StagedOutput::Commit(std::string& error) {
    if (!Ready()) {
        error = std::strerror(error_);
        return false;
    }
    struct stat existing {};
    if (::stat(finalPath_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::chmod(tempPath_.c_str(), existing.st_mode & 07777);
    }
    if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}
