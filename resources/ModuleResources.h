// The module's resources: its string table, dialog templates and bitmaps,
// addressed by number as the host's resource functions address them.
#pragma once

#include <cstdint>
#include <string>

#include "brindle/sdk/DialogTemplate.h"

// Numbers of the resources other code names.
enum ModuleResourceId : int {
    IDS_LIB_DESCRIPTION = 1,
    IDS_CATEGORY = 2,
    IDS_IMPORT_HTR_CLASS = 29,
    IDS_EXPORT_HTR_CLASS = 31,
    IDS_IMPORT_TRC_CLASS = 32,
    IDS_UTILITIES_CLASS = 33,

    IDB_ABOUT = 112,
    IDD_ABOUT = 114,
    IDC_ABOUT_PRODUCT = 1069,
    IDC_ABOUT_VERSION = 1070,
    IDC_ABOUT_OK = 1097,
};

// The text of string `id`, or null when the table has none.
const wchar_t* ModuleString(int id);
// The text of string `id` as a new string; empty when the table has none.
std::wstring GetResourceStringAsMSTR(int id);

// Dialog template `id`, or null.
const DialogTemplate* ModuleDialog(int id);

// A bitmap: `rows` strings of `width` characters, '#' for ink and anything
// else for paper.
struct ModuleBitmap {
    int id;
    int width;
    int height;
    const char* const* rows;
};
const ModuleBitmap* ModuleBitmapResource(int id);
