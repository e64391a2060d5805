#include "plugin/RegistrySettingsKey.h"

#include <cstring>
#include <vector>

#include "brindle/sdk/TextCodec.h"

namespace {

constexpr DWORD kStringBytes = 2048;

// Creates or opens `subKey` below `parent`; null when that fails.
HKEY CreateKey(HKEY parent, const std::wstring& subKey) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG result = RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                        &disposition);
    return result == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

bool RegistrySettingsKey::Open(const std::wstring& product, const std::wstring& host,
                               const std::wstring& section) {
    Close();
    HKEY productKey = CreateKey(HKEY_CURRENT_USER, L"Software\\Tovelund\\" + product);
    if (productKey == nullptr) return false;
    HKEY hostKey = CreateKey(productKey, host);
    RegCloseKey(productKey);
    if (hostKey == nullptr) return false;
    key_ = CreateKey(hostKey, section);
    RegCloseKey(hostKey);
    open_ = key_ != nullptr;
    return open_;
}

bool RegistrySettingsKey::OpenExisting(const std::wstring& product, const std::wstring& host,
                                       const std::wstring& section) {
    Close();
    const std::wstring path = SectionPath(product, host, section);
    open_ = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key_) == ERROR_SUCCESS;
    if (!open_) key_ = nullptr;
    readOnly_ = open_;
    return open_;
}

std::wstring RegistrySettingsKey::SectionPath(const std::wstring& product, const std::wstring& host,
                                              const std::wstring& section) {
    return L"Software\\Tovelund\\" + product + L"\\" + host + L"\\" + section;
}

bool RegistrySettingsKey::Flush() const {
    return open_ && !readOnly_ && RegFlushKey(key_) == ERROR_SUCCESS;
}

void RegistrySettingsKey::Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
    open_ = false;
    readOnly_ = false;
}

bool RegistrySettingsKey::ReadBytes(const wchar_t* name, void* buffer, DWORD capacity) const {
    if (!open_) return false;
    DWORD type = 0;
    DWORD size = capacity;
    return RegQueryValueExW(key_, name, nullptr, &type, static_cast<BYTE*>(buffer), &size) ==
           ERROR_SUCCESS;
}

bool RegistrySettingsKey::WriteBytes(const wchar_t* name, DWORD type, const void* data,
                                     DWORD size) const {
    if (!open_ || readOnly_) return false;
    return RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool RegistrySettingsKey::ReadBool(const wchar_t* name, bool& value) const {
    BYTE byte = 0;
    if (!ReadBytes(name, &byte, 1)) return false;
    value = byte != 0;
    return true;
}

// The fixed-width kinds read into the destination's own bytes, as the
// registry writes them: a shorter stored value replaces only its first bytes.
bool RegistrySettingsKey::ReadInt(const wchar_t* name, std::int32_t& value) const {
    return ReadBytes(name, &value, sizeof value);
}

bool RegistrySettingsKey::ReadFloat(const wchar_t* name, float& value) const {
    return ReadBytes(name, &value, sizeof value);
}

bool RegistrySettingsKey::ReadDouble(const wchar_t* name, double& value) const {
    return ReadBytes(name, &value, sizeof value);
}

bool RegistrySettingsKey::ReadString(const wchar_t* name, std::wstring& value) const {
    BYTE buffer[kStringBytes] = {};
    if (!ReadBytes(name, buffer, kStringBytes)) return false;
    // UTF-16 code units up to the terminating null; surrogate pairs become
    // one character.
    std::wstring text;
    for (DWORD i = 0; i + 1 < kStringBytes; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(buffer[i] | (buffer[i + 1] << 8));
        if (unit == 0) break;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < kStringBytes) {
            const wchar_t low = static_cast<wchar_t>(buffer[i + 2] | (buffer[i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        text += unit;
    }
    value = std::move(text);
    return true;
}

bool RegistrySettingsKey::WriteBool(const wchar_t* name, bool value) const {
    const BYTE byte = value ? 1 : 0;
    return WriteBytes(name, REG_BINARY, &byte, 1);
}

bool RegistrySettingsKey::WriteInt(const wchar_t* name, std::int32_t value) const {
    return WriteBytes(name, REG_DWORD, &value, sizeof value);
}

bool RegistrySettingsKey::WriteFloat(const wchar_t* name, float value) const {
    return WriteBytes(name, REG_DWORD, &value, sizeof value);
}

bool RegistrySettingsKey::WriteDouble(const wchar_t* name, double value) const {
    return WriteBytes(name, REG_QWORD, &value, sizeof value);
}

bool RegistrySettingsKey::WriteString(const wchar_t* name, const std::wstring& value) const {
    const std::string bytes = TextCodec::EncodeUtf16LENullTerminated(value);
    return WriteBytes(name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}
