#include "brindle/host/registry/RegistryStore.h"

#include "AtomicFile.h"
#include "brindle/host/DocumentLock.h"
#include "brindle/sdk/TextFileWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <unordered_set>

#include <sys/stat.h>
#include <unistd.h>

namespace brindle::host {
namespace {

// Creates every missing folder of `path` (the file's folders, not the file).
void CreateFoldersFor(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    }
}

// Keeps the file at `path` beside it under a name not yet taken; false
// when it could not be kept.
bool KeepDamagedCopy(const std::string& path) {
    std::string copy = path + ".damaged";
    for (int n = 1; ::access(copy.c_str(), F_OK) == 0; ++n) {
        copy = path + ".damaged." + std::to_string(n);
    }
    // A hard link keeps the old bytes without a moment in which the store
    // file is missing, and needs no right to read them; where links are not
    // possible, copy.
    if (::link(path.c_str(), copy.c_str()) == 0) return true;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return false;
    std::FILE* out = std::fopen(copy.c_str(), "wb");
    bool kept = out != nullptr;
    if (kept) {
        char buffer[8192];
        std::size_t n;
        while (kept && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
            kept = std::fwrite(buffer, 1, n, out) == n;
        }
        kept = std::fclose(out) == 0 && kept && !std::ferror(in);
        if (!kept) std::remove(copy.c_str());
    }
    std::fclose(in);
    return kept;
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

RegistryStore::~RegistryStore() { SaveIfChanged(); }

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
    damaged_ = false;
    changed_ = false;
    if (!path_.empty()) {
        const RegFileStatus status = ReadRegFile(path_, currentUser_);
        damaged_ = status.found && !status.complete;
    }
    saved_ = CopyTree(currentUser_);
}

void RegistryStore::KeepInMemory() {
    SaveIfChanged();
    path_.clear();
    changed_ = false;
}

bool RegistryStore::Save() {
    if (path_.empty()) return false;
    std::string error;
    if (!SaveMerged(error)) {
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
    RegistryKey merged;
    merged.name = currentUser_.name;
    const RegFileStatus status = ReadRegFile(target, merged);
    if (!status.regular) {
        error = target + ": not a regular file; the settings are not saved there";
        return false;
    }
    if (status.found && !status.complete && !KeepDamagedCopy(target)) {
        error = target + ": cannot keep a copy of it before replacing it" +
                (status.error != 0
                     ? std::string(" (it cannot be read: ") + std::strerror(status.error) + ")"
                     : std::string(" (it is damaged)"));
        return false;
    }
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
