#include "cli/StagedOutput.h"

#include "cli/InterruptCleanup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

StagedOutput::StagedOutput(std::string finalPath, const std::string& extension)
    : finalPath_(std::move(finalPath)) {
    const std::size_t slash = finalPath_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : finalPath_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath_ : finalPath_.substr(slash + 1);
    tempPath_ = folder + "." + name + ".partial-" + std::to_string(::getpid()) + extension;
    cleanupSlot_ = RegisterForCleanup(tempPath_);
}

StagedOutput::~StagedOutput() {
    if (!committed_) std::remove(tempPath_.c_str());
    UnregisterFromCleanup(cleanupSlot_);
}

bool StagedOutput::Commit(std::string& error) {
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
