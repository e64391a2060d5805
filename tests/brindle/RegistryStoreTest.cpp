// The host's registry store: the ".reg" file it keeps, read back, damaged,
// truncated, hostile, saved by two processes at once and while being killed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "brindle/host/registry/RegistryStore.h"
#include "brindle/sdk/BrindleRegistry.h"
#include "tests/support/AllocationFailure.h"
#include "tests/support/HostileInputs.h"
#include "tests/support/TestFiles.h"

using brindle::host::RegistryStore;

namespace {

HKEY Create(const wchar_t* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

void Set(HKEY key, const wchar_t* name, DWORD type, std::vector<BYTE> data) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

std::vector<BYTE> Get(HKEY key, const wchar_t* name, DWORD* type = nullptr) {
    BYTE buffer[64];
    DWORD size = sizeof buffer;
    if (RegQueryValueExW(key, name, nullptr, type, buffer, &size) != ERROR_SUCCESS) return {};
    return std::vector<BYTE>(buffer, buffer + size);
}

// A store with a value of every kind the module writes, and odd ones.
void FillStore() {
    HKEY key = Create(L"Software\\Tovelund\\TOVFileIO\\Brindle\\ConvertGWM");
    Set(key, L"Filter", REG_BINARY, {1});
    Set(key, L"OffsetX", REG_DWORD, {0x00, 0x00, 0x20, 0x40});
    Set(key, L"Scale", REG_QWORD, {0, 0, 0, 0, 0, 0, 4, 0x40});
    Set(key, L"MNMPath", REG_SZ, {'C', 0, ':', 0, '\\', 0, '"', 0, 0xE9, 0, 0, 0});
    Set(key, L"NoNull", REG_SZ, {'a', 0});
    Set(key, L"", REG_DWORD, {1, 2});
    RegCloseKey(key);
}

// Each test's own scratch folder and store file; the store is left on no
// file afterwards.
class RegistryStoreTest : public ::testing::Test {
protected:
    void TearDown() override { store.UseFile(""); }
    RegistryStore& store = RegistryStore::Instance();
    tovtest::ScratchDir dir;
    const std::string file = (dir.Path() / "registry.reg").string();
};

TEST_F(RegistryStoreTest, EveryChangeIsSavedAndReadsBackExactly) {
    const std::string nested = (dir.Path() / "sub" / "registry.reg").string();
    store.UseFile(nested);
    FillStore();
    const std::string saved = tovtest::ReadBytes(nested);
    EXPECT_NE(saved.find("[HKEY_CURRENT_USER\\Software\\Tovelund\\TOVFileIO\\Brindle\\ConvertGWM]\n"
                         "@=hex(4):01,02\n"
                         "\"Filter\"=hex:01\n"
                         "\"MNMPath\"=\"C:\\\\\\\"\xC3\xA9\"\n"
                         "\"NoNull\"=hex(1):61,00\n"
                         "\"OffsetX\"=dword:40200000\n"
                         "\"Scale\"=hex(b):00,00,00,00,00,00,04,40\n"),
              std::string::npos)
        << saved;
    // A second store reads the same registry, and writes the same file;
    // keys and values are found in any case.
    store.UseFile(nested);
    EXPECT_FALSE(store.FoundDamaged());
    HKEY key = Create(L"Software\\TOVELUND\\TOVFileIO\\Brindle\\ConvertGWM");
    EXPECT_EQ(Get(key, L"mnmpath"), (std::vector<BYTE>{'C', 0, ':', 0, '\\', 0, '"', 0, 0xE9, 0, 0, 0}));
    RegCloseKey(key);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(tovtest::ReadBytes(nested), saved);
}

// Removing a key ends the handles open on it and on the keys below it.
TEST_F(RegistryStoreTest, RemovingAKeyEndsItsHandles) {
    store.UseFile(file);
    HKEY gone = Create(L"Software\\Tovelund\\TOVFileIO\\Brindle\\ExportHTR\\Below");
    Set(gone, L"Offset", REG_DWORD, {1, 0, 0, 0});
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tovelund\\TOVFileIO\\Brindle\\ExportHTR",
                            0, KEY_READ, &opened),
              ERROR_SUCCESS);
    EXPECT_TRUE(store.RemoveKey(L"Software\\Tovelund\\TOVFileIO\\Brindle\\ExportHTR"));
    EXPECT_TRUE(Get(gone, L"Offset").empty());
    EXPECT_EQ(RegCloseKey(gone), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(opened), ERROR_INVALID_HANDLE);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(tovtest::ReadBytes(file).find("ExportHTR"), std::string::npos);
}

// A store file cut at any byte reads without harm, as far as it is valid,
// and is kept beside the store before it is first replaced. (A file of
// another header is ADamagedFileIsKeptWholeAndSaidOnce's.)
TEST_F(RegistryStoreTest, TruncatedFilesAreReadAsFarAsValid) {
    const std::string whole = (dir.Path() / "whole.reg").string();
    store.UseFile(whole);
    FillStore();
    const std::string bytes = tovtest::ReadBytes(whole);
    const std::string cut = (dir.Path() / "cut.reg").string();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        dir.Write("cut.reg", bytes.substr(0, length));
        store.UseFile(cut);
        HKEY key = Create(L"Software\\Tovelund\\TOVFileIO\\Brindle\\ConvertGWM");
        // Values before the cut survive; the one written whole is there.
        if (length > bytes.find("\"Filter\"=hex:01\n") + 16) {
            EXPECT_EQ(Get(key, L"Filter"), std::vector<BYTE>{1}) << length;
        }
        RegCloseKey(key);
    }
    // The cut file was damaged: the store kept a copy before replacing it.
    EXPECT_TRUE(std::filesystem::exists(cut + ".damaged"));
}

using Change = std::function<void()>;

void SetDword(const wchar_t* path, const wchar_t* name, BYTE number) {
    HKEY key = Create(path);
    Set(key, name, REG_DWORD, {number, 0, 0, 0});
    RegCloseKey(key);
}

// Values x and y of the key at `path`, as an options record writes them all.
void SetDwords(const wchar_t* path, BYTE x, BYTE y) {
    SetDword(path, L"x", x);
    SetDword(path, L"y", y);
}

// Changes made on the tree itself, as the store's own callers may.
Change Remove(const wchar_t* path, const wchar_t* value) {
    return [=] {
        auto& root = RegistryStore::Instance().CurrentUser();
        if (value == nullptr) {
            root.subkeys.erase(path);
        } else {
            brindle::host::CreateKeyPath(root, path)->values.erase(value);
        }
        RegistryStore::Instance().MarkChanged();
    };
}

// Two processes read `file`; only when both have read it does each make its
// change and save, so neither has seen the other's.
void ChangeAtOnce(const std::string& file, const Change& first, const Change& second) {
    RegistryStore::Instance().UseFile("");
    int loaded[2], go[2];
    ASSERT_EQ(::pipe(loaded), 0);
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
        children[i] = ::fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) {
            RegistryStore::Instance().UseFile(file);
            char byte = 0;
            if (::write(loaded[1], &byte, 1) != 1 || ::read(go[0], &byte, 1) != 1) ::_exit(2);
            (i == 0 ? first : second)();
            ::_exit(RegistryStore::Instance().SaveIfChanged() ? 0 : 1);
        }
    }
    char bytes[2];
    for (int got = 0; got < 2;)
        got += static_cast<int>(std::max<ssize_t>(0, ::read(loaded[0], bytes, 2)));
    ASSERT_EQ(::write(go[1], "gg", 2), 2);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    for (const int fd : {loaded[0], loaded[1], go[0], go[1]}) ::close(fd);
}

std::string RegText(const std::string& keys) {
    return "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER]\n\n" + keys;
}

TEST_F(RegistryStoreTest, TwoProcessesSavingAtOnceKeepEachOthersChanges) {
    const std::string before =
        "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n\"y\"=dword:00000001\n\n"
        "[HKEY_CURRENT_USER\\Gone]\n\"z\"=dword:00000001\n\n";
    struct Case {
        const char* name;
        Change first, second;
        std::string after;
    };
    const Case cases[] = {
        {"one value set, another removed", [] { SetDword(L"A", L"x", 2); }, Remove(L"A", L"y"),
         "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000002\n\n"
         "[HKEY_CURRENT_USER\\Gone]\n\"z\"=dword:00000001\n\n"},
        {"a key made, another removed", [] { SetDword(L"C\\D", L"v", 4); },
         Remove(L"Gone", nullptr),
         "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n\"y\"=dword:00000001\n\n"
         "[HKEY_CURRENT_USER\\C]\n\n[HKEY_CURRENT_USER\\C\\D]\n\"v\"=dword:00000004\n\n"},
        // Options records write every field; a field written as it was read
        // is no change, so the other process's change of it stays.
        {"whole records, one field each", [] { SetDwords(L"A", 2, 1); }, [] { SetDwords(L"A", 1, 5); },
         "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000002\n\"y\"=dword:00000005\n\n"
         "[HKEY_CURRENT_USER\\Gone]\n\"z\"=dword:00000001\n\n"},
    };
    for (const Case& c : cases) {
        dir.Write("registry.reg", RegText(before));
        ChangeAtOnce(file, c.first, c.second);
        EXPECT_EQ(tovtest::ReadBytes(file), RegText(c.after)) << c.name;
    }
}

// A lack of memory at any allocation of a save, from reading the file again
// to putting the new one in place, leaves the old file byte for byte, or the
// new one whole once it is in place, and nothing beside it: no temporary
// file, no lock. A save that says it succeeded left the new file.
TEST_F(RegistryStoreTest, ALackOfMemoryAnywhereInASaveKeepsTheFile) {
    store.UseFile(file);
    FillStore();
    const std::string old = tovtest::ReadBytes(file);
    // The file as it was, and a change of this process not yet saved. (A
    // change left from a failed save is saved as the store lets go of the
    // file, before the old bytes are put back.)
    const auto pending = [&] {
        store.UseFile("");
        dir.Write("registry.reg", old);
        store.UseFile(file);
        Remove(L"Software\\Tovelund\\TOVFileIO\\Brindle\\ConvertGWM", L"Filter")();
    };
    std::size_t allocations = 0;
    for (int run = 0; run < 2; ++run) {  // the first run makes what a process makes once
        pending();
        tovtest::AllocationFailure count(0);
        ASSERT_TRUE(store.Save()) << store.SaveError();
        allocations = count.Count();
    }
    const std::string saved = tovtest::ReadBytes(file);
    ASSERT_NE(saved, old);
    for (std::size_t at = 1; at <= allocations; ++at) {
        pending();
        bool succeeded = false, failed = false;
        {
            tovtest::AllocationFailure fail(at);
            try {
                succeeded = store.Save();
            } catch (const std::bad_alloc&) {
            }
            failed = fail.Failed();
        }
        ASSERT_TRUE(failed) << at << " of " << allocations;
        const std::string bytes = tovtest::ReadBytes(file);
        EXPECT_TRUE(bytes == (succeeded ? saved : old) || bytes == saved) << at;
        EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"registry.reg"}) << at;
    }
}

// "[HKEY_CURRENT_USER\n\n...]": one key `levels` deep, names `width` long.
std::string DeepKey(std::size_t levels, std::size_t width) {
    std::string line = "[HKEY_CURRENT_USER";
    for (std::size_t i = 0; i < levels; ++i) line += "\\" + std::string(width, 'n');
    return line + "]\n\"v\"=dword:00000001\n";
}

// Files no registry is: deep keys, paths that would write as hundreds of
// megabytes, a file beyond the size limit. Each reads within the limits,
// and a save refuses to replace it, which would lose what was not read: it
// stays byte for byte, with no copy beside it, and the refusal names it.
TEST_F(RegistryStoreTest, FilesBeyondTheLimitsAreReadInPartAndNeverReplaced) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    struct Case {
        const char* name;
        std::string bytes;
        bool beyond;
        std::size_t depth;  // of the tree read
    };
    const Case cases[] = {
        {"50,000 levels", header + DeepKey(50000, 1), true, 0},
        {"512 levels", header + DeepKey(512, 1), false, 512},
        {"513 levels", header + DeepKey(513, 1), true, 0},
        {"written as 200 MB", header + DeepKey(512, 200), true, 0},
        {"beyond 64 MB",
         header + std::string(brindle::host::kRegFileMaxBytes, '\n') + DeepKey(1, 1), true, 0},
    };
    const std::string refusal =
        file + ": beyond what the store reads whole (too large, or keys too deep); it is left as it is";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("registry.reg", c.bytes);
        store.UseFile(file);
        EXPECT_EQ(store.FoundBeyondLimits(), c.beyond);
        EXPECT_EQ(store.FoundDamaged(), c.beyond);
        std::size_t depth = 0;
        brindle::host::FormatRegFile(store.CurrentUser(), &depth);
        EXPECT_EQ(depth, c.depth);
        for (int save = 0; save < 2; ++save) {  // the second finds it unchanged
            SetDword(L"After", L"a", static_cast<BYTE>(save));
            EXPECT_EQ(store.SaveError(), c.beyond ? refusal : "");
        }
        EXPECT_EQ(tovtest::ReadBytes(file) == c.bytes, c.beyond);
        EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"registry.reg"});
        store.UseFile("");
    }
}

// A key line reads the same whatever line came before it: one that goes
// on from it, leaves it, names it in other letters, ends in a backslash
// (the key before it), or would go on from it with an empty name or past
// the deepest level the store keeps.
TEST(RegFileRead, KeyLinesReadTheSameAfterAnyOther) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    const std::string deepest = DeepKey(512, 1);
    const std::string deepestPath = deepest.substr(0, deepest.find(']'));
    struct Case {
        const char* name;
        std::string keys;
        bool complete;
        std::string formatted;  // below the root's line
    };
    const Case cases[] = {
        {"goes on", "[HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\A\\B]\n\"v\"=dword:1\n", true,
         "[HKEY_CURRENT_USER\\A]\n\n[HKEY_CURRENT_USER\\A\\B]\n\"v\"=dword:00000001\n\n"},
        {"other letters", "[HKEY_CURRENT_USER\\A\\B]\n[hkey_current_user\\a\\b\\C]\n", true,
         "[HKEY_CURRENT_USER\\A]\n\n[HKEY_CURRENT_USER\\A\\B]\n\n[HKEY_CURRENT_USER\\A\\B\\C]\n\n"},
        {"a longer name beside it", "[HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\AB\\C]\n", true,
         "[HKEY_CURRENT_USER\\A]\n\n[HKEY_CURRENT_USER\\AB]\n\n[HKEY_CURRENT_USER\\AB\\C]\n\n"},
        {"back up", "[HKEY_CURRENT_USER\\A\\B]\n[HKEY_CURRENT_USER\\A\\C]\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:2\n",
         true,
         "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:00000002\n\n[HKEY_CURRENT_USER\\A\\B]\n\n"
         "[HKEY_CURRENT_USER\\A\\C]\n\n"},
        {"ends in a backslash", "[HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\A\\]\n\"v\"=dword:3\n", true,
         "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:00000003\n\n"},
        {"an empty name", "[HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\A\\\\B]\n", false,
         "[HKEY_CURRENT_USER\\A]\n\n"},
        {"a level past the deepest", deepest + deepestPath + "\\n]\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brindle::host::RegistryKey root;
        root.name = L"HKEY_CURRENT_USER";
        const auto status = brindle::host::ReadRegText(header + c.keys, root);
        EXPECT_EQ(status.complete, c.complete);
        const std::string formatted = brindle::host::FormatRegFile(root);
        if (c.formatted.empty()) {
            std::size_t depth = 0;
            brindle::host::FormatRegFile(root, &depth);
            EXPECT_EQ(depth, 512u);
            EXPECT_TRUE(status.beyondLimits);
        } else {
            EXPECT_EQ(formatted, header + "[HKEY_CURRENT_USER]\n\n" + c.formatted);
        }
    }
}

// A damaged file is kept whole under another name before it is replaced,
// however it is damaged, and said once; the file that replaces it reads
// whole, and the next save keeps no other copy.
TEST_F(RegistryStoreTest, ADamagedFileIsKeptWholeAndSaidOnce) {
    std::string noise(1 << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 2654435761u >> 13);
    const std::pair<const char*, std::string> cases[] = {
        {"noise", noise},
        {"a foreign header", "REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n\"a\"=dword:1\n"},
        {"a line cut short", RegText("[HKEY_CURRENT_USER\\A]\n\"x\"=\"cut")},
    };
    const std::string copy = file + ".damaged";
    const std::string notice = "the settings file " + file + " was damaged; it is kept as " + copy +
                               ", and " + file +
                               " holds what could be read of it with the settings saved now";
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        dir.Write("registry.reg", bytes);
        store.UseFile(file);
        SetDword(L"After", L"a", 1);
        EXPECT_EQ(tovtest::ReadBytes(copy), bytes);
        EXPECT_EQ(store.TakeNotice(), notice);
        SetDword(L"After", L"a", 2);
        EXPECT_EQ(store.TakeNotice(), "");
        EXPECT_EQ(tovtest::ReadBytes(copy), bytes);
        store.UseFile(file);
        EXPECT_FALSE(store.FoundDamaged());
        EXPECT_EQ(tovtest::Entries(dir.Path()),
                  (std::vector<std::string>{"registry.reg", "registry.reg.damaged"}));
        store.UseFile("");
        std::filesystem::remove(copy);
    }
}

// Only a regular file is read or replaced: a FIFO does not hang the reader,
// links that go round are left as they are, and what cannot be saved is
// said (once, as the command-line tool's test of a folder in the file's
// place shows).
TEST_F(RegistryStoreTest, OnlyARegularFileIsReadOrReplaced) {
    const auto fifo = dir.Path() / "fifo.reg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(10);  // a read that waits for a writer ends the test
    store.UseFile(fifo.string());
    ::alarm(0);
    SetDword(L"Software", L"v", 1);
    EXPECT_NE(store.SaveError().find("not a regular file"), std::string::npos) << store.SaveError();
    EXPECT_FALSE(std::filesystem::is_regular_file(fifo));

    const auto loop = dir.Path() / "loop.reg";
    std::filesystem::create_symlink("loop.reg", loop);
    store.UseFile(loop.string());
    SetDword(L"Software", L"v", 1);
    EXPECT_EQ(store.SaveError(), loop.string() +
                                     ": cannot follow its symbolic links: Too many levels of "
                                     "symbolic links");
    EXPECT_TRUE(std::filesystem::is_symlink(loop));
}

// A new file is the user's alone, and a file the user cannot read is kept;
// links and the mode of a file replaced are the text writer's test.
TEST_F(RegistryStoreTest, NewFilesArePrivateAndWhatCannotBeReadIsKept) {
    struct stat info {};
    const auto fresh = dir.Path() / "new.reg";
    store.UseFile(fresh.string());
    SetDword(L"Software", L"v", 1);
    ASSERT_EQ(::stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    if (::geteuid() != 0) {  // the superuser reads every file
        ::chmod(fresh.c_str(), 0);
        store.UseFile(fresh.string());
        EXPECT_TRUE(store.FoundDamaged());
        SetDword(L"Software", L"w", 1);
        EXPECT_TRUE(std::filesystem::exists(fresh.string() + ".damaged"));
        ASSERT_EQ(::stat(fresh.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u);
    }
}

// Whatever a settings file holds, the store loads what is valid of it and
// saves exactly that: a fresh store reads the tree back, from a file that is
// no longer damaged. Of these inputs only the valid file in UTF-16 with its
// byte-order mark is valid throughout, and only its values load.
TEST_F(RegistryStoreTest, StoresOfAnyKindLoad) {
    const std::string values = "\"A\"=dword:00000001\n\"B\"=hex(b):00,00,00,00,00,00,f0,3f\n\"C\"=\"text\"\n";
    const std::string valid =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\T]\n" + values;
    for (const auto& input : tovtest::HostileInputs(valid)) {
        SCOPED_TRACE(input.name);
        const bool whole = input.name == "UTF-16 with byte-order mark";
        store.UseFile(dir.Write("registry.reg", input.bytes).string());
        EXPECT_EQ(store.FoundDamaged(), !whole);
        const std::string loaded = brindle::host::FormatRegFile(store.CurrentUser());
        EXPECT_EQ(loaded.find(values) != std::string::npos, whole);
        ASSERT_TRUE(store.Save()) << store.SaveError();
        store.UseFile("");
        store.UseFile(file);
        EXPECT_FALSE(store.FoundDamaged());
        EXPECT_EQ(brindle::host::FormatRegFile(store.CurrentUser()), loaded);
        std::filesystem::remove(file + ".damaged");
    }
}

}  // namespace
