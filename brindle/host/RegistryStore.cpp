#include "brindle/host/RegistryStore.h"

#include "brindle/host/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>

#include <fcntl.h>
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

// Keeps the damaged file beside the store under a name not yet taken.
void KeepDamagedCopy(const std::string& path) {
    std::string copy = path + ".damaged";
    for (int n = 1; ::access(copy.c_str(), F_OK) == 0; ++n) {
        copy = path + ".damaged." + std::to_string(n);
    }
    // A hard link keeps the old bytes without a moment in which the store
    // file is missing; where links are not possible, copy.
    if (::link(path.c_str(), copy.c_str()) == 0) return;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return;
    std::FILE* out = std::fopen(copy.c_str(), "wb");
    if (out != nullptr) {
        char buffer[8192];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) std::fwrite(buffer, 1, n, out);
        std::fclose(out);
    }
    std::fclose(in);
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
    if (path_.empty()) return;
    const RegFileStatus status = ReadRegFile(path_, currentUser_);
    damaged_ = status.found && !status.complete;
}

bool RegistryStore::Save() {
    if (path_.empty()) return false;
    if (damaged_) {
        KeepDamagedCopy(path_);
        damaged_ = false;
    }
    CreateFoldersFor(path_);
    std::string error;
    if (!WriteFileAtomically(path_, FormatRegFile(currentUser_), error, 0600)) return false;
    changed_ = false;
    ++saves_;
    return true;
}

HKEY RegistryStore::Open(RegistryKey* key) {
    const std::uintptr_t handle = nextHandle_++;
    handles_[handle] = key;
    return reinterpret_cast<HKEY>(handle);
}

RegistryKey* RegistryStore::Resolve(HKEY handle) {
    if (handle == HKEY_CURRENT_USER) return &currentUser_;
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == handles_.end() ? nullptr : found->second;
}

bool RegistryStore::Close(HKEY handle) {
    return handles_.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0;
}

}  // namespace brindle::host
