// The current user's registry of the headless host: a tree of keys and
// typed values, kept in a text file in the Windows ".reg" export format.
//
// Every change is saved at once by writing a temporary file beside the store,
// flushing it to disk and renaming it over the old one, so a crash at any
// moment leaves the old file or the new one, whole. A damaged or foreign
// file is read as far as it is valid; before it is first replaced it is kept
// beside the store as "<file>.damaged" (numbered when that name is taken).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "brindle/sdk/BrindleRegistry.h"

namespace brindle::host {

// Key and value names compare without regard to letter case, as in Windows.
struct NoCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

struct RegistryValue {
    DWORD type = REG_BINARY;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::wstring name;  // as first written
    std::map<std::wstring, std::unique_ptr<RegistryKey>, NoCaseLess> subkeys;
    std::map<std::wstring, RegistryValue, NoCaseLess> values;
};

// The ".reg" text of the tree below HKEY_CURRENT_USER.
std::string FormatRegFile(const RegistryKey& currentUser);

// How a store file read.
struct RegFileStatus {
    bool found = false;     // the file exists and could be read
    bool complete = false;  // every line was valid
};
// Reads a ".reg" file into `currentUser` as far as its lines are valid.
RegFileStatus ReadRegFile(const std::string& path, RegistryKey& currentUser);

class RegistryStore {
public:
    static RegistryStore& Instance();

    // Switches to the store file at `path` (empty: keep the registry in
    // memory only) and reads it. Open key handles become invalid.
    void UseFile(const std::string& path);
    const std::string& FilePath() const { return path_; }
    RegistryKey& CurrentUser() { return currentUser_; }
    // Writes the whole registry to the store file; false when it could not.
    bool Save();
    // Values set since the last save are written by the next SaveIfChanged
    // (a flush or close of a key, or the end of the program).
    void MarkChanged() { changed_ = true; }
    bool SaveIfChanged() { return !changed_ || Save(); }
    // Saves written to disk since the program started.
    std::size_t Saves() const { return saves_; }
    // Whether the file read at UseFile was damaged or foreign.
    bool FoundDamaged() const { return damaged_; }

    // Key handles handed out to modules.
    HKEY Open(RegistryKey* key);
    RegistryKey* Resolve(HKEY handle);
    bool Close(HKEY handle);
    std::size_t OpenHandles() const { return handles_.size(); }

private:
    RegistryStore();
    ~RegistryStore();

    std::string path_;
    RegistryKey currentUser_;
    bool damaged_ = false;
    bool changed_ = false;
    std::size_t saves_ = 0;
    std::map<std::uintptr_t, RegistryKey*> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
};

// Where the store lives: $BRINDLE_REGISTRY_FILE when set, else
// "brindle/registry.reg" in the user's configuration folder
// ($XDG_CONFIG_HOME, or ~/.config); empty when there is none.
std::string DefaultRegistryFile();

}  // namespace brindle::host
