// The registry functions modules call, over the host's registry store.
#include <cstring>
#include <string_view>

#include "brindle/host/RegistryStore.h"
#include "brindle/sdk/BrindleRegistry.h"

using brindle::host::RegistryKey;
using brindle::host::RegistryStore;

LONG RegCreateKeyExW(HKEY key, const wchar_t* subKey, DWORD /*reserved*/, wchar_t* /*keyClass*/,
                     DWORD /*options*/, REGSAM /*access*/, void* /*security*/, HKEY* result,
                     DWORD* disposition) {
    auto& store = RegistryStore::Instance();
    RegistryKey* at = store.Resolve(key);
    if (at == nullptr) return ERROR_INVALID_HANDLE;
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    bool created = false;
    std::wstring_view path = subKey != nullptr ? subKey : L"";
    while (!path.empty()) {
        const std::size_t slash = path.find(L'\\');
        const std::wstring part(path.substr(0, slash));
        if (part.empty()) return ERROR_INVALID_PARAMETER;
        auto& slot = at->subkeys[part];
        if (!slot) {
            slot = std::make_unique<RegistryKey>();
            slot->name = part;
            created = true;
        }
        at = slot.get();
        path = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash + 1);
    }
    if (created) store.Save();
    *result = store.Open(at);
    if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    auto& store = RegistryStore::Instance();
    if (store.Resolve(key) == nullptr) return ERROR_INVALID_HANDLE;
    store.SaveIfChanged();
    return store.Close(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key) {
    auto& store = RegistryStore::Instance();
    if (store.Resolve(key) == nullptr) return ERROR_INVALID_HANDLE;
    return store.SaveIfChanged() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

LONG RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                      DWORD* size) {
    RegistryKey* at = RegistryStore::Instance().Resolve(key);
    if (at == nullptr) return ERROR_INVALID_HANDLE;
    const auto found = at->values.find(name != nullptr ? name : L"");
    if (found == at->values.end()) return ERROR_FILE_NOT_FOUND;
    const auto& value = found->second;
    if (type != nullptr) *type = value.type;
    const auto needed = static_cast<DWORD>(value.data.size());
    if (data != nullptr) {
        if (size == nullptr) return ERROR_INVALID_PARAMETER;
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed > 0) std::memcpy(data, value.data.data(), needed);
    }
    if (size != nullptr) *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, const wchar_t* name, DWORD /*reserved*/, DWORD type,
                    const BYTE* data, DWORD size) {
    auto& store = RegistryStore::Instance();
    RegistryKey* at = store.Resolve(key);
    if (at == nullptr) return ERROR_INVALID_HANDLE;
    if (data == nullptr && size > 0) return ERROR_INVALID_PARAMETER;
    auto& value = at->values[name != nullptr ? name : L""];
    value.type = type;
    value.data.assign(data, data + size);
    store.MarkChanged();
    return ERROR_SUCCESS;
}
