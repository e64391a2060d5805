// The module's dialog templates and bitmaps.
#include <iterator>

#include "resources/ModuleResources.h"

namespace {

// "About...": the module's picture, its name and version, the maker's
// notices and an OK button.
constexpr DialogControl kAboutControls[] = {
    {-1, ControlKind::Bitmap, nullptr, 7, 7, 128, 48, IDB_ABOUT},
    {IDC_ABOUT_PRODUCT, ControlKind::Label, L"TOVFileIO for Brindle", 7, 62, 128, 10},
    {IDC_ABOUT_VERSION, ControlKind::Label, L"Version 3.2.1", 7, 76, 128, 10},
    {-1, ControlKind::Label, L"Copyright (c) Tovelund Corporation. All rights reserved.", 7, 94,
     128, 20},
    {-1, ControlKind::Label, L"Written by Norvik for Tovelund optical motion capture.", 7, 118, 128,
     20},
    {IDC_ABOUT_OK, ControlKind::DefaultButton, L"OK", 46, 152, 50, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_ABOUT, L"About...", 142, 175, L"MS Sans Serif", 8, kAboutControls,
     std::size(kAboutControls)},
};

// 64 x 16: the letters TOV on paper.
constexpr const char* kAboutRows[] = {
    "................................................................",
    "................................................................",
    "...##########.......########.......###..........###.............",
    "...##########.....###########......###..........###.............",
    ".......##........###.......###......###........###..............",
    ".......##.......###.........###.....###........###..............",
    ".......##.......###.........###......###......###...............",
    ".......##.......###.........###......###......###...............",
    ".......##.......###.........###.......###....###................",
    ".......##.......###.........###.......###....###................",
    ".......##........###.......###.........###..###.................",
    ".......##.........###########...........######..................",
    ".......##...........#######..............####...................",
    "................................................................",
    "................................................................",
    "................................................................",
};

constexpr ModuleBitmap kBitmaps[] = {
    {IDB_ABOUT, 64, 16, kAboutRows},
};

}  // namespace

const DialogTemplate* ModuleDialog(int id) {
    for (const DialogTemplate& dialog : kDialogs) {
        if (dialog.id == id) return &dialog;
    }
    return nullptr;
}

const ModuleBitmap* ModuleBitmapResource(int id) {
    for (const ModuleBitmap& bitmap : kBitmaps) {
        if (bitmap.id == id) return &bitmap;
    }
    return nullptr;
}
