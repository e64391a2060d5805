#include "import_htr/ImportHTRDialog.h"

#include <string>

#include "brindle/sdk/HostServices.h"
#include "plugin/DialogText.h"
#include "plugin/MessageReporter.h"
#include "plugin/OptionsDialog.h"
#include "resources/ModuleResources.h"

namespace {

void SetChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Enable(HWND dialog, int id, bool enable) {
    EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

void ReportError(const std::wstring& text) {
    MessageReporter::Module().Report(text, GetResourceStringAsMSTR(IDS_IMPORT_HTR_ERROR));
}

void InitDialog(HWND dialog, ImportHTROptions& options) {
    CenterWindow(dialog, GetParent(dialog));
    const bool apply = options.apply;
    CheckRadioButton(dialog, IDC_HTR_CREATE, IDC_HTR_APPLY,
                     apply ? IDC_HTR_APPLY : IDC_HTR_CREATE);
    Enable(dialog, IDC_END_EFFECTORS, !apply);
    Enable(dialog, IDC_SEGMENT_SIZE, !apply);
    CheckRadioButton(dialog, IDC_ALL_FRAMES, IDC_FRAME_RANGE,
                     options.range ? IDC_FRAME_RANGE : IDC_ALL_FRAMES);
    Enable(dialog, IDC_FROM_FRAME, options.range);
    Enable(dialog, IDC_TO_FRAME, options.range);
    CheckRadioButton(dialog, IDC_EULER, IDC_TCB,
                     options.rotationController != 0 ? IDC_TCB : IDC_EULER);
    SetChecked(dialog, IDC_ANIMATION, options.animate);
    SetChecked(dialog, IDC_BASE_POSITION, options.keyBasePosition);
    SetChecked(dialog, IDC_END_EFFECTORS, options.endEffectors);
    SetChecked(dialog, IDC_SET_FRAME_RATE, options.setFrameRate);
    SetDlgItemTextW(dialog, IDC_FROM_FRAME, FormatInt(options.startFrame).c_str());
    SetDlgItemTextW(dialog, IDC_TO_FRAME, FormatInt(options.endFrame).c_str());
    SetDlgItemTextW(dialog, IDC_FRAME_OFFSET, FormatInt(options.offset).c_str());
    SetDlgItemTextW(dialog, IDC_SEGMENT_SIZE, FormatFixed(options.size).c_str());
    SetDlgItemTextW(dialog, IDC_GLOBAL_SCALE, FormatFixed(options.scaleFactor).c_str());
}

// Reads and checks the controls in order; stops at the first failure with
// the fields read so far kept. True when the options were saved.
bool AcceptOptions(HWND dialog, ImportHTROptions& options) {
    options.apply = !Checked(dialog, IDC_HTR_CREATE);
    options.range = !Checked(dialog, IDC_ALL_FRAMES);
    options.rotationController = Checked(dialog, IDC_EULER) ? 0 : 1;
    options.animate = Checked(dialog, IDC_ANIMATION);
    options.keyBasePosition = Checked(dialog, IDC_BASE_POSITION);
    options.endEffectors = Checked(dialog, IDC_END_EFFECTORS);
    options.setFrameRate = Checked(dialog, IDC_SET_FRAME_RATE);

    if (!AcceptFrameRange(dialog, IDC_FROM_FRAME, IDC_TO_FRAME, options.startFrame,
                          options.endFrame, GetResourceStringAsMSTR(IDS_IMPORT_HTR_ERROR))) {
        return false;
    }
    options.offset = ReadIntField(dialog, IDC_FRAME_OFFSET);
    options.size = static_cast<float>(ReadDoubleField(dialog, IDC_SEGMENT_SIZE));
    if (options.size == 0.0f) {
        ReportError(GetResourceStringAsMSTR(IDS_NONZERO_SIZE));
        return false;
    }
    options.scaleFactor = ReadDoubleField(dialog, IDC_GLOBAL_SCALE);
    if (options.scaleFactor == 0.0) {
        ReportError(GetResourceStringAsMSTR(IDS_NONZERO_SCALE_FACTOR));
        return false;
    }
    if (options.endFrame < options.startFrame) {
        ReportError(GetResourceStringAsMSTR(IDS_START_AFTER_END));
        return false;
    }
    if (options.apply && !options.keyBasePosition && !options.animate) {
        ReportError(GetResourceStringAsMSTR(IDS_APPLY_NEEDS_KEYS));
        return false;
    }
    options.Save();
    return true;
}

void OnCommand(HWND dialog, int id, ImportHTROptions& /*options*/) {
    switch (id) {
        case IDC_EULER:
        case IDC_TCB: CheckRadioButton(dialog, IDC_EULER, IDC_TCB, id); break;
        case IDC_ANIMATION: {
            const bool on = Checked(dialog, IDC_ANIMATION);
            Enable(dialog, IDC_ALL_FRAMES, on);
            Enable(dialog, IDC_FRAME_RANGE, on);
            break;
        }
        case IDC_ALL_FRAMES:
        case IDC_FRAME_RANGE: {
            CheckRadioButton(dialog, IDC_ALL_FRAMES, IDC_FRAME_RANGE, id);
            Enable(dialog, IDC_FROM_FRAME, id == IDC_FRAME_RANGE);
            Enable(dialog, IDC_TO_FRAME, id == IDC_FRAME_RANGE);
            break;
        }
        case IDC_HTR_CREATE:
        case IDC_HTR_APPLY: {
            CheckRadioButton(dialog, IDC_HTR_CREATE, IDC_HTR_APPLY, id);
            Enable(dialog, IDC_END_EFFECTORS, id == IDC_HTR_CREATE);
            Enable(dialog, IDC_SEGMENT_SIZE, id == IDC_HTR_CREATE);
            break;
        }
        default: break;
    }
}

}  // namespace

INT_PTR RunImportHTRDialog(HWND owner, ImportHTROptions& options) {
    return OptionsDialog<ImportHTROptions>::Run(owner, IDD_IMPORT_HTR, options, InitDialog, OnCommand, AcceptOptions);
}
