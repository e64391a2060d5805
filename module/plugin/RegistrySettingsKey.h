// A typed registry key for one section of the module's settings:
// HKEY_CURRENT_USER\Software\Tovelund\<product>\<host>\<section>.
#pragma once

#include <cstdint>
#include <string>

#include "brindle/sdk/BrindleRegistry.h"

// The product and host names of the module's settings sections.
inline constexpr wchar_t kSettingsProduct[] = L"TOVFileIO";
inline constexpr wchar_t kSettingsHost[] = L"Brindle";

// Asks an options record for its defaults alone: it opens no section, so a
// program that only reads what is stored creates nothing.
struct DetachedRecord {};

// The dialog control that shows a stored value: a check box, or a radio
// pair (`on` chosen for true or not zero, `off` otherwise), or an edit
// field (`on` alone).
struct StoredControls {
    int on = 0;
    int off = 0;
};

class RegistrySettingsKey {
public:
    RegistrySettingsKey() = default;
    ~RegistrySettingsKey() { Close(); }
    RegistrySettingsKey(const RegistrySettingsKey&) = delete;
    RegistrySettingsKey& operator=(const RegistrySettingsKey&) = delete;

    // Creates or opens the key level by level; true when the section opened.
    bool Open(const std::wstring& product, const std::wstring& host, const std::wstring& section);
    // Opens the section only when it exists, creating nothing, for reading:
    // every write through it fails. False when there is no such section.
    bool OpenExisting(const std::wstring& product, const std::wstring& host,
                      const std::wstring& section);
    void Close();
    bool IsOpen() const { return open_; }

    // The section's path below HKEY_CURRENT_USER.
    static std::wstring SectionPath(const std::wstring& product, const std::wstring& host,
                                    const std::wstring& section);

    // Each read returns false and leaves `value` unchanged when the key is
    // not open, the value is missing, or it does not fit its kind's buffer
    // (1 byte for a bool, 4 for an integer or float, 8 for a double, 2048
    // bytes, 1023 characters and the null, for a string).
    bool ReadBool(const wchar_t* name, bool& value) const;
    bool ReadInt(const wchar_t* name, std::int32_t& value) const;
    bool ReadFloat(const wchar_t* name, float& value) const;
    bool ReadDouble(const wchar_t* name, double& value) const;
    bool ReadString(const wchar_t* name, std::wstring& value) const;

    // Writes every value set so far to disk at once; false when the key is
    // not open or the save failed. Records call it after their last write.
    bool Flush() const;

    // Each write returns false when the key is not open or the write fails.
    bool WriteBool(const wchar_t* name, bool value) const;
    bool WriteInt(const wchar_t* name, std::int32_t value) const;
    bool WriteFloat(const wchar_t* name, float value) const;
    bool WriteDouble(const wchar_t* name, double value) const;
    bool WriteString(const wchar_t* name, const std::wstring& value) const;

    // The same, chosen by the field's type, for records that list their
    // stored fields once for both loading and saving.
    bool Read(const wchar_t* name, bool& value) const { return ReadBool(name, value); }
    bool Read(const wchar_t* name, std::int32_t& value) const { return ReadInt(name, value); }
    bool Read(const wchar_t* name, float& value) const { return ReadFloat(name, value); }
    bool Read(const wchar_t* name, double& value) const { return ReadDouble(name, value); }
    bool Read(const wchar_t* name, std::wstring& value) const { return ReadString(name, value); }
    bool Write(const wchar_t* name, bool value) const { return WriteBool(name, value); }
    bool Write(const wchar_t* name, std::int32_t value) const { return WriteInt(name, value); }
    bool Write(const wchar_t* name, float value) const { return WriteFloat(name, value); }
    bool Write(const wchar_t* name, double value) const { return WriteDouble(name, value); }
    bool Write(const wchar_t* name, const std::wstring& value) const {
        return WriteString(name, value);
    }

private:
    bool ReadBytes(const wchar_t* name, void* buffer, DWORD capacity) const;
    bool WriteBytes(const wchar_t* name, DWORD type, const void* data, DWORD size) const;

    bool open_ = false;
    bool readOnly_ = false;
    HKEY key_ = nullptr;
};
