// The registry functions modules call, over the host's registry store.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "brindle/host/registry/RegistryStore.h"
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
    const std::wstring_view path = subKey != nullptr ? subKey : L"";
    const std::size_t depth = store.Depth(key);
    std::size_t created = 0;
    // An empty name, or a key too deep to read back, makes nothing.
    at = brindle::host::CreateKeyPath(*at, path, depth, &created);
    if (at == nullptr) return ERROR_INVALID_PARAMETER;
    if (created > 0) {
        store.MarkChanged();
        store.Save();
    }
    const auto levels = path.empty() ? 0 : std::count(path.begin(), path.end(), L'\\') + 1;
    *result = store.Open(at, depth + static_cast<std::size_t>(levels));
    if (disposition != nullptr) {
        *disposition = created > 0 ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY key, const wchar_t* subKey, DWORD /*options*/, REGSAM /*access*/,
                   HKEY* result) {
    auto& store = RegistryStore::Instance();
    RegistryKey* at = store.Resolve(key);
    if (at == nullptr) return ERROR_INVALID_HANDLE;
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    const std::wstring_view path = subKey != nullptr ? subKey : L"";
    at = brindle::host::FindKeyPath(*at, path);
    if (at == nullptr) return ERROR_FILE_NOT_FOUND;
    const auto levels = path.empty() ? 0 : std::count(path.begin(), path.end(), L'\\') + 1;
    *result = store.Open(at, store.Depth(key) + static_cast<std::size_t>(levels));
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
