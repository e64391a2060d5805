// The current user's registry of the headless host: a tree of keys and
// typed values, kept in a text file in the Windows ".reg" export format.
//
// Every change is saved at once. Several processes may use the one file, so
// a save does not write the tree this process read at its start: under the
// file's lock (see DocumentLock) it reads the file again, applies to it what
// this process changed since it read or last saved (values set or removed,
// keys created or removed) and replaces the file with the result, through a
// temporary file beside it, flushed to disk and renamed over it. A crash at
// any moment leaves the old file or the new one, whole; the temporary file
// has no name where the file system allows, else the next writer in the
// folder removes it. A link is followed to the file it names, which is
// locked and replaced where it stands; the link stays; a file with other
// names (hard links) is replaced like any other, and they keep the old
// content. A damaged or foreign file is read as far as it is valid; before
// it is replaced it is kept beside the store as "<file>.damaged" (numbered
// when that name is taken), as is a file this user cannot read, and the
// store says so once (TakeNotice). A file that reads valid but beyond the
// limits below is never saved over: the store could not write back what it
// holds, so a save refuses and leaves it as it is.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "brindle/sdk/BrindleRegistry.h"

namespace brindle::host {

// A store file beyond these is read only as far as them and never saved
// over, and a tree beyond them is not saved: no registry a person uses
// comes near them, and within them every file reads and writes in bounded
// time and memory.
constexpr std::size_t kRegFileMaxBytes = std::size_t{64} << 20;
constexpr std::size_t kRegKeyMaxDepth = 512;  // levels of keys below the root

// Key and value names compare without regard to letter case, as in Windows.
struct NoCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

struct RegistryValue {
    DWORD type = REG_BINARY;
    std::vector<BYTE> data;
};

struct RegistryKey {
    RegistryKey() = default;
    // Takes the tree apart level by level, so a deep one cannot exhaust the
    // stack.
    ~RegistryKey();
    RegistryKey(RegistryKey&&) = default;
    RegistryKey& operator=(RegistryKey&&) = default;

    std::wstring name;  // as first written
    std::map<std::wstring, std::unique_ptr<RegistryKey>, NoCaseLess> subkeys;
    std::map<std::wstring, RegistryValue, NoCaseLess> values;
};

// The key at `path` below `root` (names joined by backslashes; empty: the
// root), creating every missing level and counting them in `created`; null,
// creating nothing, when a name is empty or the path goes deeper than
// kRegKeyMaxDepth levels below a root `depth` levels deep.
RegistryKey* CreateKeyPath(RegistryKey& root, std::wstring_view path, std::size_t depth = 0,
                           std::size_t* created = nullptr);
// The key at `path` below `root` (as above); null, creating nothing, when a
// level is missing or a name is empty.
RegistryKey* FindKeyPath(RegistryKey& root, std::wstring_view path);
// Removes the key at `path` below `root` with everything below it; false
// when there was no such key.
bool RemoveKeyPath(RegistryKey& root, std::wstring_view path);
// How many levels of `path` (as above) `root` lacks.
std::size_t MissingKeys(const RegistryKey& root, std::wstring_view path);
// A deep copy of `key` and everything below it.
RegistryKey CopyTree(const RegistryKey& key);
// Applies to `target` what changed from `before` to `after`: values added
// or changed are set, values gone are removed, keys added are created with
// all they hold, keys gone are removed with all they held. What `target`
// holds that the change did not touch stays; a key the change leaves alone
// is not created again in `target` when it is missing there.
void ApplyChanges(const RegistryKey& before, const RegistryKey& after, RegistryKey& target);

// The ".reg" text of the tree below HKEY_CURRENT_USER; `deepest`, when
// given, receives the depth of the deepest key.
std::string FormatRegFile(const RegistryKey& currentUser, std::size_t* deepest = nullptr);

// How a store file read.
struct RegFileStatus {
    bool found = false;     // something is at the path
    bool complete = false;  // it read whole: every line valid, within the limits
    bool regular = true;    // what is there is a regular file
    int error = 0;          // why it could not be opened or read (errno)
    // It read valid until a limit above stopped it (not complete): a file
    // larger or deeper than the store keeps, not a damaged one.
    bool beyondLimits = false;
};
// Reads a ".reg" file into `currentUser` as far as its lines are valid and
// within the limits above. Only a regular file is read: a FIFO, device or
// folder at `path` is left alone (`regular` false). A file beyond the size
// limit is read up to its last whole line within it, and is not complete
// (beyond the limits when what it read was valid).
RegFileStatus ReadRegFile(const std::string& path, RegistryKey& currentUser);
// The same for the bytes of a file held in memory (`found` is true).
RegFileStatus ReadRegText(std::string_view bytes, RegistryKey& currentUser);

class RegistryStore {
public:
    static RegistryStore& Instance();

    // Switches to the store file at `path` (empty: keep the registry in
    // memory only) and reads it. Open key handles become invalid.
    void UseFile(const std::string& path);
    // Keeps what was read in memory from now on: later changes (a module
    // that opens its sections as it loads) reach no file. Open key handles
    // stay valid; UseFile switches back.
    void KeepInMemory();
    const std::string& FilePath() const { return path_; }
    // The tree as this process sees it: the file as read, with this
    // process's changes. Changes made here directly are saved like any
    // other once MarkChanged is called.
    RegistryKey& CurrentUser() { return currentUser_; }
    // Saves this process's changes into the file, merged as described
    // above; false when it could not (SaveError says why) or when the store
    // is kept in memory only.
    bool Save();
    // Removes the key at `path` below HKEY_CURRENT_USER with everything
    // below it, as a change to save like any other; handles open on those
    // keys become invalid. False when there was no such key.
    bool RemoveKey(std::wstring_view path);
    // Values set since the last save are written by the next SaveIfChanged:
    // a flush or close of a key, or the end of the program unless the last
    // save failed (that was said; a save as the program ends would fail or
    // succeed unheard).
    void MarkChanged() { changed_ = true; }
    bool SaveIfChanged() { return !changed_ || Save(); }
    // Saves written to disk since the program started.
    std::size_t Saves() const { return saves_; }
    // Whether the file read at UseFile was damaged, foreign, unreadable,
    // not a regular file or beyond the limits: not read whole.
    bool FoundDamaged() const { return read_.found && !read_.complete; }
    // Whether it read valid up to the limits, which stopped it: saves
    // refuse to replace it.
    bool FoundBeyondLimits() const { return read_.beyondLimits; }
    // Why the last save failed, in one line naming the file ("PATH: cannot
    // ..."), until a save succeeds; empty when it did not fail. Take returns
    // it and forgets it, for a caller that says it once.
    const std::string& SaveError() const { return saveError_; }
    std::string TakeSaveError();
    // What a save did beside the settings that a person should hear of, in
    // one line naming both files: a damaged file kept under another name
    // before it was replaced. Empty when nothing was; Take returns it and
    // forgets it.
    std::string TakeNotice();
    // Called with the lock file once a save holds the file's lock, and with
    // an empty path just before it lets go: a program that removes its own
    // files when a signal ends it can remove this one too.
    void SetLockListener(std::function<void(const std::string& lockFile)> listener) {
        lockListener_ = std::move(listener);
    }
    // How long a save waits for another process's save of the same file
    // (one minute unless set).
    void SetLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    // Key handles handed out to modules; `depth` is the key's level below
    // the root.
    HKEY Open(RegistryKey* key, std::size_t depth);
    RegistryKey* Resolve(HKEY handle);
    // The level of the key of `handle` below the root (0 for the root).
    std::size_t Depth(HKEY handle) const;
    bool Close(HKEY handle);
    std::size_t OpenHandles() const { return handles_.size(); }

private:
    struct OpenKey {
        RegistryKey* key;
        std::size_t depth;
    };

    RegistryStore();
    ~RegistryStore();
    // The merged save into the file `path_` names; false with `error`.
    bool SaveMerged(std::string& error);
    // The part of it done under the file's lock.
    bool SaveLocked(const std::string& target, std::string& error);
    // Whether the file read as `status` may be replaced; false with `error`
    // when it may not. A damaged one is kept aside first, and `notice`
    // says so.
    bool MayReplace(const std::string& target, const RegFileStatus& status, std::string& error,
                    std::string& notice);

    std::string path_;
    RegistryKey currentUser_;
    // The tree as it was read or last saved: what this process changed is
    // the difference between it and currentUser_.
    RegistryKey saved_;
    RegFileStatus read_;  // how the file read at UseFile
    bool changed_ = false;
    bool saveFailed_ = false;  // the last save failed
    std::size_t saves_ = 0;
    std::string saveError_;
    std::string notice_;
    std::function<void(const std::string&)> lockListener_;
    // The file last found beyond the limits, as it was then (device, inode,
    // size, change time): a save that finds it unchanged refuses without
    // reading it again.
    std::array<long long, 5> beyondLimits_{};
    std::chrono::milliseconds lockWait_{60000};
    std::map<std::uintptr_t, OpenKey> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
};

// Where the store lives: $BRINDLE_REGISTRY_FILE when set, else
// "brindle/registry.reg" in the user's configuration folder
// ($XDG_CONFIG_HOME, or ~/.config); empty when there is none.
std::string DefaultRegistryFile();

}  // namespace brindle::host
