// The host's registry store: the ".reg" file it keeps, read back, damaged,
// truncated, and saved while being killed.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "brindle/host/RegistryStore.h"
#include "brindle/sdk/BrindleRegistry.h"
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

TEST(RegistryStoreTest, EveryChangeIsSavedAndReadsBackExactly) {
    tovtest::ScratchDir dir;
    const std::string file = (dir.Path() / "sub" / "registry.reg").string();
    RegistryStore::Instance().UseFile(file);
    FillStore();
    const std::string saved = tovtest::ReadBytes(file);
    EXPECT_NE(saved.find("[HKEY_CURRENT_USER\\Software\\Tovelund\\TOVFileIO\\Brindle\\ConvertGWM]\n"
                         "@=hex(4):01,02\n"
                         "\"Filter\"=hex:01\n"
                         "\"MNMPath\"=\"C:\\\\\\\"\xC3\xA9\"\n"
                         "\"NoNull\"=hex(1):61,00\n"
                         "\"OffsetX\"=dword:40200000\n"
                         "\"Scale\"=hex(b):00,00,00,00,00,00,04,40\n"),
              std::string::npos)
        << saved;
    // A second store reads the same registry, and writes the same file.
    RegistryStore::Instance().UseFile(file);
    EXPECT_FALSE(RegistryStore::Instance().FoundDamaged());
    HKEY key = Create(L"Software\\TOVELUND\\TOVFileIO\\Brindle\\ConvertGWM");  // any case
    DWORD type = 0;
    EXPECT_EQ(Get(key, L"mnmpath", &type),
              (std::vector<BYTE>{'C', 0, ':', 0, '\\', 0, '"', 0, 0xE9, 0, 0, 0}));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(Get(key, L"NoNull"), (std::vector<BYTE>{'a', 0}));
    EXPECT_EQ(Get(key, L"Scale", &type), (std::vector<BYTE>{0, 0, 0, 0, 0, 0, 4, 0x40}));
    EXPECT_EQ(type, REG_QWORD);
    // A value too big for the buffer is not copied; the size needed is given.
    BYTE small[2] = {7, 7};
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(key, L"OffsetX", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(small[0], 7);
    EXPECT_EQ(RegQueryValueExW(key, L"Missing", nullptr, nullptr, small, &size),
              ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(RegistryStore::Instance().Save());
    EXPECT_EQ(tovtest::ReadBytes(file), saved);
    RegCloseKey(key);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    RegistryStore::Instance().UseFile("");
}

// A store file cut at any byte reads without harm, as far as it is valid,
// and is kept beside the store before it is first replaced.
TEST(RegistryStoreTest, TruncatedOrForeignFilesAreReadAsFarAsValid) {
    tovtest::ScratchDir dir;
    const std::string whole = (dir.Path() / "whole.reg").string();
    RegistryStore::Instance().UseFile(whole);
    FillStore();
    const std::string bytes = tovtest::ReadBytes(whole);
    const std::string cut = (dir.Path() / "cut.reg").string();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        dir.Write("cut.reg", bytes.substr(0, length));
        RegistryStore::Instance().UseFile(cut);
        HKEY key = Create(L"Software\\Tovelund\\TOVFileIO\\Brindle\\ConvertGWM");
        // Values before the cut survive; the one written whole is there.
        if (length > bytes.find("\"Filter\"=hex:01\n") + 16) {
            EXPECT_EQ(Get(key, L"Filter"), std::vector<BYTE>{1}) << length;
        }
        RegCloseKey(key);
    }
    // The cut file was damaged: the store kept a copy before replacing it.
    EXPECT_TRUE(std::filesystem::exists(cut + ".damaged"));

    dir.Write("foreign.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n\"a\"=dword:1\n");
    RegistryStore::Instance().UseFile((dir.Path() / "foreign.reg").string());
    EXPECT_TRUE(RegistryStore::Instance().FoundDamaged());
    dir.Write("odd.reg", std::string("Windows Registry Editor Version 5.00\n\n") +
                             "[HKEY_LOCAL_MACHINE\\Other]\n\"skipped\"=dword:00000001\n\n" +
                             "[HKEY_CURRENT_USER\\Long]\n\"hex\"=hex:01,\\\n  02,03\n" +
                             "\"gone\"=dword:1\n\"gone\"=-\n[-HKEY_CURRENT_USER\\Long]\n" +
                             "\"after\"=dword:1\n");
    RegistryStore::Instance().UseFile((dir.Path() / "odd.reg").string());
    EXPECT_TRUE(RegistryStore::Instance().FoundDamaged());  // the deletion line is not ours
    HKEY key = Create(L"Long");
    EXPECT_EQ(Get(key, L"hex"), (std::vector<BYTE>{1, 2, 3}));
    EXPECT_TRUE(Get(key, L"gone").empty());
    EXPECT_TRUE(Get(key, L"after").empty());
    RegCloseKey(key);
    RegistryStore::Instance().UseFile("");
}

// A save killed at any moment leaves the old file or the new one, whole.
TEST(RegistryStoreTest, KilledSavesLeaveAWholeFile) {
    tovtest::ScratchDir dir;
    const std::string file = (dir.Path() / "registry.reg").string();
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RegistryStore::Instance().UseFile(file);
            HKEY key = Create(L"Software\\Loop");
            for (std::uint32_t i = 0;; ++i) {
                const BYTE* bytes = reinterpret_cast<const BYTE*>(&i);
                RegSetValueExW(key, (L"V" + std::to_wstring(i % 50)).c_str(), 0, REG_DWORD, bytes, 4);
                RegFlushKey(key);
            }
        }
        ::usleep(2000 + 1500 * round);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        RegistryStore::Instance().UseFile(file);
        EXPECT_FALSE(RegistryStore::Instance().FoundDamaged()) << "round " << round;
    }
    RegistryStore::Instance().UseFile("");
}

}  // namespace
