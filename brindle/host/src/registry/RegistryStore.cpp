#include "brindle/host/registry/RegistryStore.h"

#include "AtomicFile.h"
#include "brindle/host/DocumentLock.h"
#include "brindle/sdk/TextFileWriter.h"
#include "registry/StoreFiles.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <unordered_set>

#include <sys/stat.h>
#include <unistd.h>

namespace brindle::host {
namespace {

std::string BeyondLimitsError(const std::string& target) {
    return target + ": beyond what the store reads whole (too large, or keys too deep); " +
           "it is left as it is";
}

}  // namespace

bool NoCaseLess::operator()(const std::wstring& a, const std::wstring& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = std::towlower(a[i]);
        const auto cb = std::towlower(b[i]);
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

std::string DefaultRegistryFile() {
    if (const char* file = std::getenv("BRINDLE_REGISTRY_FILE"); file != nullptr && *file) {
        return file;
    }
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config) {
        folder = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home) {
        folder = std::string(home) + "/.config";
    } else {
        return {};
    }
    return folder + "/brindle/registry.reg";
}

RegistryStore::RegistryStore() { UseFile(DefaultRegistryFile()); }

RegistryStore::~RegistryStore() {
    if (!saveFailed_) SaveIfChanged();
}

RegistryStore& RegistryStore::Instance() {
    static RegistryStore store;
    return store;
}

void RegistryStore::UseFile(const std::string& path) {
    SaveIfChanged();
    path_ = path;
    currentUser_ = RegistryKey();
    currentUser_.name = L"HKEY_CURRENT_USER";
    handles_.clear();
    read_ = RegFileStatus();
    changed_ = false;
    saveFailed_ = false;
    beyondLimits_ = {};
    if (!path_.empty()) {
        const auto stamp = StampOf(path_);
        read_ = ReadRegFile(path_, currentUser_);
        if (read_.beyondLimits) beyondLimits_ = stamp;
    }
    saved_ = CopyTree(currentUser_);
}

void RegistryStore::KeepInMemory() {
    SaveIfChanged();
    path_.clear();
    changed_ = false;
    saveFailed_ = false;
}

bool RegistryStore::Save() {
    if (path_.empty()) return false;
    std::string error;
    saveFailed_ = !SaveMerged(error);
    if (saveFailed_) {
        saveError_ = error;
        return false;
    }
    saved_ = CopyTree(currentUser_);
    saveError_.clear();
    changed_ = false;
    ++saves_;
    return true;
}

std::string RegistryStore::TakeSaveError() {
    std::string error;
    error.swap(saveError_);
    return error;
}

std::string RegistryStore::TakeNotice() {
    std::string notice;
    notice.swap(notice_);
    return notice;
}

bool RegistryStore::MayReplace(const std::string& target, const RegFileStatus& status,
                               std::string& error, std::string& notice) {
    if (!status.regular) {
        error = target + ": not a regular file; the settings are not saved there";
        return false;
    }
    if (status.beyondLimits) {
        // What was not read would be lost with the file.
        error = BeyondLimitsError(target);
        return false;
    }
    if (!status.found || status.complete) return true;
    const std::string why =
        status.error != 0 ? std::string("could not be read (") + std::strerror(status.error) + ")"
                          : std::string("was damaged");
    std::string copy;
    if (!KeepDamagedCopy(target, copy)) {
        error = target + " " + why + ", and no copy of it could be kept; it is left as it is";
        return false;
    }
    notice = "the settings file " + target + " " + why + "; it is kept as " + copy + ", and " +
             target + " holds what could be read of it with the settings saved now";
    return true;
}

bool RegistryStore::SaveMerged(std::string& error) {
    // The lock, the damaged copy and the new file are beside the file a
    // link names, and the link stays.
    std::string target;
    if (int code = 0; !TextFile::FollowLinks(path_, target, code)) {
        error = path_ + ": cannot follow its symbolic links: " + std::strerror(code);
        return false;
    }
    CreateFoldersFor(target);
    DocumentLock lock;
    switch (lock.Acquire(target, lockWait_, {}, error)) {
        case DocumentLock::Outcome::Held:
            break;
        case DocumentLock::Outcome::TimedOut:
            error = target + ": another run kept it locked for its whole save";
            return false;
        case DocumentLock::Outcome::Failed:
            return false;
    }
    // Told before the lock lets go (declared after it, so gone first).
    struct Told {
        const std::function<void(const std::string&)>& listener;
        ~Told() {
            if (listener) listener({});
        }
    } const told{lockListener_};
    if (lockListener_) lockListener_(lock.LockFile());
    return SaveLocked(target, error);
}

bool RegistryStore::SaveLocked(const std::string& target, std::string& error) {
    // A file found beyond the limits and not changed since is not read again.
    const FileStamp stamp = StampOf(target);
    if (stamp != FileStamp{} && stamp == beyondLimits_) {
        error = BeyondLimitsError(target);
        return false;
    }
    RegistryKey merged;
    merged.name = currentUser_.name;
    const RegFileStatus status = ReadRegFile(target, merged);
    if (status.beyondLimits) beyondLimits_ = stamp;
    std::string notice;
    if (!MayReplace(target, status, error, notice)) return false;
    ApplyChanges(saved_, currentUser_, merged);
    std::size_t depth = 0;
    const std::string text = FormatRegFile(merged, &depth);
    if (text.size() > kRegFileMaxBytes || depth > kRegKeyMaxDepth) {
        error = target + ": the settings would be too large to read back; not saved";
        return false;
    }
    // The file keeps its permissions; a new one, or one that replaces a
    // file this user could not read, is the user's alone.
    struct stat info {};
    const bool existed = status.error == 0 && ::stat(target.c_str(), &info) == 0;
    const mode_t mode = existed ? (info.st_mode & 07777) : 0600;
    if (!WriteFileAtomically(target, text, error, mode)) return false;
    // The temporary file was made with the umask applied; give back what
    // it took away.
    if (existed) ::chmod(target.c_str(), mode);
    // Said once the file is replaced: a save that failed after keeping the
    // copy keeps it for the next, which says it.
    if (!notice.empty()) notice_ = notice;
    return true;
}

bool RegistryStore::RemoveKey(std::wstring_view path) {
    RegistryKey* key = path.empty() ? nullptr : FindKeyPath(currentUser_, path);
    if (key == nullptr) return false;
    std::vector<const RegistryKey*> pending{key};
    std::unordered_set<const RegistryKey*> gone;
    while (!pending.empty()) {
        const RegistryKey* at = pending.back();
        pending.pop_back();
        gone.insert(at);
        for (const auto& entry : at->subkeys) pending.push_back(entry.second.get());
    }
    std::erase_if(handles_,
                  [&gone](const auto& handle) { return gone.count(handle.second.key) > 0; });
    RemoveKeyPath(currentUser_, path);
    MarkChanged();
    return true;
}

HKEY RegistryStore::Open(RegistryKey* key, std::size_t depth) {
    const std::uintptr_t handle = nextHandle_++;
    handles_[handle] = {key, depth};
    return reinterpret_cast<HKEY>(handle);
}

RegistryKey* RegistryStore::Resolve(HKEY handle) {
    if (handle == HKEY_CURRENT_USER) return &currentUser_;
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == handles_.end() ? nullptr : found->second.key;
}

std::size_t RegistryStore::Depth(HKEY handle) const {
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == handles_.end() ? 0 : found->second.depth;
}

bool RegistryStore::Close(HKEY handle) {
    return handles_.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0;
}

}  // namespace brindle::host
