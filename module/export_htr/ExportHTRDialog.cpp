#include "export_htr/ExportHTRDialog.h"

#include "brindle/sdk/HostServices.h"
#include "plugin/DialogText.h"
#include "plugin/MessageReporter.h"
#include "plugin/OptionsDialog.h"
#include "resources/ModuleResources.h"

namespace {

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void EnableRange(HWND dialog, bool enable) {
    EnableWindow(GetDlgItem(dialog, IDC_FROM_FRAME), enable ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_TO_FRAME), enable ? TRUE : FALSE);
}

void InitDialog(HWND dialog, ExportHTROptions& options) {
    CenterWindow(dialog, GetParent(dialog));
    CheckRadioButton(dialog, IDC_SAVED_POSE, IDC_CURRENT_POSE,
                     options.savedPose ? IDC_SAVED_POSE : IDC_CURRENT_POSE);
    CheckRadioButton(dialog, IDC_ALL_FRAMES, IDC_FRAME_RANGE,
                     options.range ? IDC_FRAME_RANGE : IDC_ALL_FRAMES);
    EnableRange(dialog, options.range);
    CheckDlgButton(dialog, IDC_EXPORT_ANIMATION, options.animate ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_PARENT_TRANSFORMS,
                   options.parentTransforms ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextW(dialog, IDC_FROM_FRAME, FormatInt(options.startFrame).c_str());
    SetDlgItemTextW(dialog, IDC_TO_FRAME, FormatInt(options.endFrame).c_str());
    SetDlgItemTextW(dialog, IDC_FRAME_OFFSET, FormatInt(options.offset).c_str());
    SetDlgItemTextW(dialog, IDC_GLOBAL_SCALE, FormatFixed(options.scaleFactor).c_str());
}

// Reads and checks the controls in order; stops at the first failure with
// the fields read so far kept. True when the options were saved.
bool AcceptOptions(HWND dialog, ExportHTROptions& options) {
    const std::wstring caption = GetResourceStringAsMSTR(IDS_EXPORT_HTR_ERROR);
    options.savedPose = Checked(dialog, IDC_SAVED_POSE);
    options.range = !Checked(dialog, IDC_ALL_FRAMES);
    options.animate = Checked(dialog, IDC_EXPORT_ANIMATION);
    options.parentTransforms = Checked(dialog, IDC_PARENT_TRANSFORMS);
    if (!AcceptFrameRange(dialog, IDC_FROM_FRAME, IDC_TO_FRAME, options.startFrame,
                          options.endFrame, caption)) {
        return false;
    }
    options.offset = ReadIntField(dialog, IDC_FRAME_OFFSET);
    options.scaleFactor = ReadDoubleField(dialog, IDC_GLOBAL_SCALE);
    if (options.scaleFactor == 0.0) {
        MessageReporter::Module().Report(GetResourceStringAsMSTR(IDS_NONZERO_SCALE_FACTOR),
                                         caption);
        return false;
    }
    if (options.endFrame < options.startFrame) {
        MessageReporter::Module().Report(GetResourceStringAsMSTR(IDS_START_AFTER_END), caption);
        return false;
    }
    options.Save();
    return true;
}

void OnCommand(HWND dialog, int id, ExportHTROptions& /*options*/) {
    switch (id) {
        case IDC_SAVED_POSE:
        case IDC_CURRENT_POSE: CheckRadioButton(dialog, IDC_SAVED_POSE, IDC_CURRENT_POSE, id); break;
        case IDC_ALL_FRAMES:
        case IDC_FRAME_RANGE:
            CheckRadioButton(dialog, IDC_ALL_FRAMES, IDC_FRAME_RANGE, id);
            EnableRange(dialog, id == IDC_FRAME_RANGE);
            break;
        default: break;
    }
}

}  // namespace

INT_PTR RunExportHTRDialog(HWND owner, ExportHTROptions& options) {
    return OptionsDialog<ExportHTROptions>::Run(owner, IDD_EXPORT_HTR, options, InitDialog, OnCommand, AcceptOptions);
}
