// The module's dialog templates and bitmaps.
#include <iterator>

#include "resources/ModuleResources.h"
#include "tovfileio/Version.h"

namespace {

// What the numeric edits take. Frame numbers are whole numbers of the
// dialog's "%d" fields. Sizes and scale factors stay within a million
// either way, so that every length they make stays a finite float; the
// panel's translation offsets within a thousand kilometres in millimetres.
constexpr EditEntry kFrameEntry{EditEntry::Kind::Whole, -2147483648.0, 2147483647.0};
constexpr EditEntry kFactorEntry{EditEntry::Kind::Number, -1e6, 1e6};
constexpr EditEntry kOffsetEntry{EditEntry::Kind::Number, -1e9, 1e9};

// "About...": the module's picture, its name and version, the maker's
// notices and an OK button.
constexpr DialogControl kAboutControls[] = {
    {-1, ControlKind::Bitmap, nullptr, 7, 7, 128, 48, IDB_ABOUT},
    {IDC_ABOUT_PRODUCT, ControlKind::Label, L"TOVFileIO for Brindle", 7, 62, 128, 10},
    {IDC_ABOUT_VERSION, ControlKind::Label, L"Version " TOVFILEIO_VERSION_WIDE, 7, 76, 128, 10},
    {-1, ControlKind::Label, L"Copyright (c) Tovelund Corporation. All rights reserved.", 7, 94,
     128, 20},
    {-1, ControlKind::Label, L"Written by Norvik for Tovelund optical motion capture.", 7, 118, 128,
     20},
    {IDC_ABOUT_OK, ControlKind::DefaultButton, L"OK", 46, 152, 50, 14},
};

// "ImportHTR": the HTR importer's options.
constexpr DialogControl kImportHtrControls[] = {
    {IDC_OK, ControlKind::DefaultButton, L"&OK", 135, 143, 55, 14},
    {IDC_CANCEL, ControlKind::Button, L"&Cancel", 200, 143, 55, 14},
    {-1, ControlKind::GroupBox, L"Skeleton", 7, 7, 120, 62},
    {IDC_HTR_CREATE, ControlKind::RadioButton, L"Create", 14, 18, 50, 10},
    {IDC_HTR_APPLY, ControlKind::RadioButton, L"Apply", 70, 18, 50, 10},
    {-1, ControlKind::Label, L"Segment Size", 14, 34, 50, 8},
    {IDC_SEGMENT_SIZE, ControlKind::Edit, nullptr, 70, 32, 50, 12, 0, kFactorEntry},
    {IDC_END_EFFECTORS, ControlKind::CheckBox, L"End Effectors", 14, 50, 100, 10},
    {-1, ControlKind::GroupBox, L"Keyframe Options", 7, 73, 120, 40},
    {IDC_BASE_POSITION, ControlKind::CheckBox, L"Base Position", 14, 85, 100, 10},
    {IDC_ANIMATION, ControlKind::CheckBox, L"Animation", 14, 98, 100, 10},
    {-1, ControlKind::GroupBox, L"Rotation Controller", 7, 117, 120, 26},
    {IDC_EULER, ControlKind::RadioButton, L"Euler", 14, 128, 50, 10},
    {IDC_TCB, ControlKind::RadioButton, L"TCB", 70, 128, 50, 10},
    {-1, ControlKind::GroupBox, L"Time Options", 135, 7, 120, 92},
    {-1, ControlKind::GroupBox, nullptr, 141, 16, 108, 44},
    {IDC_ALL_FRAMES, ControlKind::RadioButton, L"All", 147, 24, 40, 10},
    {IDC_FRAME_RANGE, ControlKind::RadioButton, L"Range", 195, 24, 40, 10},
    {-1, ControlKind::Label, L"From", 147, 40, 20, 8},
    {IDC_FROM_FRAME, ControlKind::Edit, nullptr, 170, 38, 30, 12, 0, kFrameEntry},
    {-1, ControlKind::Label, L"To", 205, 40, 12, 8},
    {IDC_TO_FRAME, ControlKind::Edit, nullptr, 218, 38, 28, 12, 0, kFrameEntry},
    {-1, ControlKind::Label, L"Offset", 141, 66, 30, 8},
    {IDC_FRAME_OFFSET, ControlKind::Edit, nullptr, 175, 64, 40, 12, 0, kFrameEntry},
    {IDC_SET_FRAME_RATE, ControlKind::CheckBox, L"Set Frame Rate", 141, 82, 100, 10},
    {-1, ControlKind::GroupBox, L"Scale", 135, 103, 120, 26},
    {-1, ControlKind::Label, L"Global", 141, 114, 30, 8},
    {IDC_GLOBAL_SCALE, ControlKind::Edit, nullptr, 175, 112, 50, 12, 0, kFactorEntry},
};

// "ExportHTR": the HTR exporter's options.
constexpr DialogControl kExportHtrControls[] = {
    {IDC_OK, ControlKind::DefaultButton, L"&OK", 135, 133, 55, 14},
    {IDC_CANCEL, ControlKind::Button, L"&Cancel", 200, 133, 55, 14},
    {-1, ControlKind::GroupBox, L"Base Position", 7, 7, 120, 40},
    {IDC_SAVED_POSE, ControlKind::RadioButton, L"Saved Pose", 14, 19, 100, 10},
    {IDC_CURRENT_POSE, ControlKind::RadioButton, L"Current Pose", 14, 32, 100, 10},
    {-1, ControlKind::GroupBox, L"Options", 7, 53, 120, 40},
    {IDC_EXPORT_ANIMATION, ControlKind::CheckBox, L"Export Animation", 14, 65, 100, 10},
    {IDC_PARENT_TRANSFORMS, ControlKind::CheckBox, L"Parent Transforms", 14, 78, 100, 10},
    {-1, ControlKind::GroupBox, L"Time Options", 135, 7, 120, 82},
    {-1, ControlKind::GroupBox, nullptr, 141, 16, 108, 44},
    {IDC_ALL_FRAMES, ControlKind::RadioButton, L"Slider", 147, 24, 40, 10},
    {IDC_FRAME_RANGE, ControlKind::RadioButton, L"Range", 195, 24, 40, 10},
    {-1, ControlKind::Label, L"From", 147, 40, 20, 8},
    {IDC_FROM_FRAME, ControlKind::Edit, nullptr, 170, 38, 30, 12, 0, kFrameEntry},
    {-1, ControlKind::Label, L"To", 205, 40, 12, 8},
    {IDC_TO_FRAME, ControlKind::Edit, nullptr, 218, 38, 28, 12, 0, kFrameEntry},
    {-1, ControlKind::Label, L"Offset", 141, 68, 30, 8},
    {IDC_FRAME_OFFSET, ControlKind::Edit, nullptr, 175, 66, 40, 12, 0, kFrameEntry},
    {-1, ControlKind::GroupBox, L"Scale", 135, 95, 120, 30},
    {-1, ControlKind::Label, L"Global", 141, 108, 30, 8},
    {IDC_GLOBAL_SCALE, ControlKind::Edit, nullptr, 175, 106, 50, 12, 0, kFactorEntry},
};

// "ImportTRC": the TRC importer's options.
constexpr DialogControl kImportTrcControls[] = {
    {IDC_OK, ControlKind::DefaultButton, L"&OK", 135, 143, 55, 14},
    {IDC_CANCEL, ControlKind::Button, L"&Cancel", 200, 143, 55, 14},
    {-1, ControlKind::GroupBox, L"Cloud", 7, 7, 120, 30},
    {IDC_TRC_CREATE, ControlKind::RadioButton, L"Create", 14, 19, 50, 10},
    {IDC_TRC_APPLY, ControlKind::RadioButton, L"Apply", 70, 19, 50, 10},
    {-1, ControlKind::GroupBox, L"Options", 7, 41, 120, 40},
    {IDC_SELECTED_ONLY, ControlKind::CheckBox, L"Selected Items Only", 14, 53, 105, 10},
    {IDC_ROOT_NODE, ControlKind::CheckBox, L"Root Node", 14, 66, 105, 10},
    {-1, ControlKind::GroupBox, L"Geometry", 7, 85, 120, 50},
    {IDC_SPHERE, ControlKind::RadioButton, L"Sphere", 14, 97, 50, 10},
    {IDC_POINT, ControlKind::RadioButton, L"Point", 70, 97, 50, 10},
    {-1, ControlKind::Label, L"Size", 14, 115, 30, 8},
    {IDC_SEGMENT_SIZE, ControlKind::Edit, nullptr, 50, 113, 50, 12, 0, kFactorEntry},
    {-1, ControlKind::GroupBox, L"Time Options", 135, 7, 120, 92},
    {-1, ControlKind::GroupBox, nullptr, 141, 16, 108, 44},
    {IDC_ALL_FRAMES, ControlKind::RadioButton, L"All", 147, 24, 40, 10},
    {IDC_FRAME_RANGE, ControlKind::RadioButton, L"Range", 195, 24, 40, 10},
    {-1, ControlKind::Label, L"From", 147, 40, 20, 8},
    {IDC_FROM_FRAME, ControlKind::Edit, nullptr, 170, 38, 30, 12, 0, kFrameEntry},
    {-1, ControlKind::Label, L"To", 205, 40, 12, 8},
    {IDC_TO_FRAME, ControlKind::Edit, nullptr, 218, 38, 28, 12, 0, kFrameEntry},
    {-1, ControlKind::Label, L"Offset", 141, 66, 30, 8},
    {IDC_FRAME_OFFSET, ControlKind::Edit, nullptr, 175, 64, 40, 12, 0, kFrameEntry},
    {IDC_SET_FRAME_RATE, ControlKind::CheckBox, L"Set Frame Rate", 141, 82, 100, 10},
    {-1, ControlKind::GroupBox, L"Scale", 135, 103, 120, 26},
    {-1, ControlKind::Label, L"Global", 141, 114, 30, 8},
    {IDC_GLOBAL_SCALE, ControlKind::Edit, nullptr, 175, 112, 50, 12, 0, kFactorEntry},
};

// "Convert TRC to GWM": the utility panel's rollup page.
constexpr DialogControl kUtilityPageControls[] = {
    {-1, ControlKind::Label, L"MNM Mapping File", 4, 4, 100, 8},
    {IDC_MNM_PATH, ControlKind::ReadOnlyEdit, nullptr, 4, 14, 100, 12},
    {IDC_MNM_CREATE, ControlKind::Button, L"Create", 4, 29, 48, 14},
    {IDC_MNM_BROWSE, ControlKind::Button, L"Browse...", 56, 29, 48, 14},
    {-1, ControlKind::Label, L"GWM Output Folder", 4, 49, 100, 8},
    {IDC_OUTPUT_PATH, ControlKind::ReadOnlyEdit, nullptr, 4, 59, 100, 12},
    {IDC_OUTPUT_BROWSE, ControlKind::Button, L"Browse...", 56, 74, 48, 14},
    {IDC_CONVERT, ControlKind::DefaultButton, L"Convert TRC to GWM", 4, 94, 100, 14},
    {-1, ControlKind::GroupBox, L"Options", 4, 114, 100, 48},
    {IDC_USE_FILTER, ControlKind::CheckBox, L"Use MNM Filter File", 10, 125, 90, 10},
    {IDC_BATCH, ControlKind::CheckBox, L"Batch File Conversion", 10, 137, 90, 10},
    {IDC_TRC_NAME, ControlKind::CheckBox, L"Use TRC Filename", 10, 149, 90, 10},
    {-1, ControlKind::GroupBox, L"Translation Offset", 4, 168, 100, 82},
    {IDC_OFFSET_ENABLE, ControlKind::CheckBox, L"Enable", 10, 179, 90, 10},
    {IDC_TRC_SPACE, ControlKind::RadioButton, L"TRC Space", 10, 191, 90, 10},
    {IDC_BRINDLE_SPACE, ControlKind::RadioButton, L"Brindle Space", 10, 203, 90, 10},
    {IDC_LABEL_X, ControlKind::Label, L"X", 10, 218, 8, 8},
    {IDC_OFFSET_X, ControlKind::CustomEdit, nullptr, 20, 216, 60, 10, 0, kOffsetEntry},
    {IDC_LABEL_Y, ControlKind::Label, L"Y", 10, 229, 8, 8},
    {IDC_OFFSET_Y, ControlKind::CustomEdit, nullptr, 20, 227, 60, 10, 0, kOffsetEntry},
    {IDC_LABEL_Z, ControlKind::Label, L"Z", 10, 240, 8, 8},
    {IDC_OFFSET_Z, ControlKind::CustomEdit, nullptr, 20, 238, 60, 10, 0, kOffsetEntry},
};

// "MNM Creator / Marker Selection": the marker to pick and the walk's buttons.
constexpr DialogControl kMnmCreatorControls[] = {
    {-1, ControlKind::Label, L"GWM Marker Name", 7, 9, 60, 8},
    {IDC_MARKER_DESCRIPTION, ControlKind::ReadOnlyEdit, nullptr, 70, 7, 185, 12},
    // No default button: Enter is the dialog's OK, which takes the node
    // offered for the marker (Back as default would undo a pick on Enter).
    {IDC_MNM_BACK, ControlKind::Button, L"Back", 70, 28, 55, 14},
    {IDC_MNM_SKIP, ControlKind::Button, L"Skip", 135, 28, 55, 14},
    {IDC_MNM_ABORT, ControlKind::Button, L"Abort", 200, 28, 55, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_UTILITY_PAGE, L"Convert TRC to GWM", 108, 255, L"MS Sans Serif", 8,
     kUtilityPageControls, std::size(kUtilityPageControls)},
    {IDD_MNM_CREATOR, L"MNM Creator / Marker Selection", 262, 49, L"MS Sans Serif", 8,
     kMnmCreatorControls, std::size(kMnmCreatorControls)},
    {IDD_IMPORT_TRC, L"ImportTRC", 262, 164, L"MS Sans Serif", 8, kImportTrcControls,
     std::size(kImportTrcControls)},
    {IDD_EXPORT_HTR, L"ExportHTR", 262, 154, L"MS Sans Serif", 8, kExportHtrControls,
     std::size(kExportHtrControls)},
    {IDD_IMPORT_HTR, L"ImportHTR", 262, 164, L"MS Sans Serif", 8, kImportHtrControls,
     std::size(kImportHtrControls)},
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

bool DialogFieldTakes(int dialogId, int controlId, double value) {
    const DialogTemplate* dialog = ModuleDialog(dialogId);
    for (std::size_t i = 0; dialog != nullptr && i < dialog->controlCount; ++i) {
        const DialogControl& control = dialog->controls[i];
        if (control.id == controlId) return control.entry.Holds(value);
    }
    return true;
}

const ModuleBitmap* ModuleBitmapResource(int id) {
    for (const ModuleBitmap& bitmap : kBitmaps) {
        if (bitmap.id == id) return &bitmap;
    }
    return nullptr;
}
