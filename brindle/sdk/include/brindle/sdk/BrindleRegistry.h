// The part of the Windows registry interface that the module uses. The
// headless host keeps the current user's registry in a text file.
#pragma once

#include "brindle/sdk/BrindleWindows.h"

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

// The root of the current user's keys.
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001});

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;

// Value types.
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_QWORD = 11;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM KEY_READ = 0x20019;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens `subKey` below `key`, creating every missing level.
LONG RegCreateKeyExW(HKEY key, const wchar_t* subKey, DWORD reserved, wchar_t* keyClass,
                     DWORD options, REGSAM access, void* security, HKEY* result,
                     DWORD* disposition);
// Opens the existing key `subKey` below `key` (an empty name: `key` itself)
// and creates nothing: ERROR_FILE_NOT_FOUND when a level is missing.
LONG RegOpenKeyExW(HKEY key, const wchar_t* subKey, DWORD options, REGSAM access, HKEY* result);
// Closes a key handle; changes not yet on disk are written first.
LONG RegCloseKey(HKEY key);
// Writes every change not yet on disk, in one durable save.
LONG RegFlushKey(HKEY key);
// Reads a value. With `data` null only the size is given. When `*size` is
// too small for the value, nothing is copied, `*size` becomes the size
// needed and the result is ERROR_MORE_DATA.
LONG RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);
// Sets a value. The change reaches the disk at the next RegFlushKey or
// RegCloseKey, so that a record of many values is saved once.
LONG RegSetValueExW(HKEY key, const wchar_t* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
