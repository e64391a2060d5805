// Any byte sequence read as the host's registry store is read as far as it
// is valid and within its limits; a save merged into the file with no
// other writer gives the tree the process holds, or, for a file beyond the
// limits, is refused and leaves it byte for byte; what was read, saved and
// read again, gives the same file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "brindle/host/registry/RegistryStore.h"
#include "brindle/sdk/BrindleRegistry.h"
#include "fuzz/FuzzInputFile.h"

using brindle::host::RegistryStore;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each input saves twice (the key made, then closed), and every save
    // waits for the disk: in a folder of memory it costs its bytes.
    static const FuzzFolder folder;
    static const FuzzInputFile input(".reg", folder.Path());
    static const FuzzInputFile saved(".saved.reg", folder.Path());
    input.Write(AsText(data, size));

    auto& store = RegistryStore::Instance();
    store.UseFile(input.Path().string());
    const std::string first = brindle::host::FormatRegFile(store.CurrentUser());
    // A module opening its settings on top of whatever was read.
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tovelund\\TOVFileIO\\Brindle\\Fuzz", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        std::abort();
    }
    const BYTE one = 1;
    RegSetValueExW(key, L"Flag", 0, REG_BINARY, &one, 1);
    RegCloseKey(key);
    if (store.FoundBeyondLimits()) {
        if (store.SaveError().empty() || input.Read() != AsText(data, size)) std::abort();
        store.UseFile("");
        return 0;
    }
    brindle::host::RegistryKey reread;
    const auto status = brindle::host::ReadRegFile(input.Path().string(), reread);
    if (!store.SaveError().empty() || !status.complete ||
        brindle::host::FormatRegFile(reread) != brindle::host::FormatRegFile(store.CurrentUser())) {
        std::abort();
    }

    saved.Write(first);
    store.UseFile(saved.Path().string());
    if (store.FoundDamaged()) std::abort();
    if (brindle::host::FormatRegFile(store.CurrentUser()) != first) std::abort();
    store.UseFile("");
    // The damaged-file copies the store keeps beside the input.
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(input.Path().parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(input.Path().filename().string() + ".damaged", 0) == 0) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
    return 0;
}
