#include "import_trc/ImportTRCDialog.h"

#include "brindle/sdk/HostServices.h"
#include "plugin/DialogText.h"
#include "plugin/MessageReporter.h"
#include "plugin/OptionsDialog.h"
#include "resources/ModuleResources.h"

namespace {

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Enable(HWND dialog, int id, bool enable) {
    EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

// Create mode makes objects (their kind and size and the cloud root count);
// apply mode looks for nodes (only then does "Selected Items Only" count).
void EnableForMode(HWND dialog, bool apply) {
    Enable(dialog, IDC_SELECTED_ONLY, apply);
    Enable(dialog, IDC_ROOT_NODE, !apply);
    Enable(dialog, IDC_SPHERE, !apply);
    Enable(dialog, IDC_POINT, !apply);
    Enable(dialog, IDC_SEGMENT_SIZE, !apply);
}

void InitDialog(HWND dialog, ImportTRCOptions& options) {
    CenterWindow(dialog, GetParent(dialog));
    CheckRadioButton(dialog, IDC_TRC_CREATE, IDC_TRC_APPLY,
                     options.apply ? IDC_TRC_APPLY : IDC_TRC_CREATE);
    EnableForMode(dialog, options.apply);
    CheckRadioButton(dialog, IDC_ALL_FRAMES, IDC_FRAME_RANGE,
                     options.range ? IDC_FRAME_RANGE : IDC_ALL_FRAMES);
    Enable(dialog, IDC_FROM_FRAME, options.range);
    Enable(dialog, IDC_TO_FRAME, options.range);
    CheckRadioButton(dialog, IDC_SPHERE, IDC_POINT,
                     options.sphereGeometry ? IDC_SPHERE : IDC_POINT);
    CheckDlgButton(dialog, IDC_SELECTED_ONLY, options.selectedOnly ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_ROOT_NODE, options.rootNode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SET_FRAME_RATE, options.setFrameRate ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextW(dialog, IDC_FROM_FRAME, FormatInt(options.startFrame).c_str());
    SetDlgItemTextW(dialog, IDC_TO_FRAME, FormatInt(options.endFrame).c_str());
    SetDlgItemTextW(dialog, IDC_FRAME_OFFSET, FormatInt(options.offset).c_str());
    SetDlgItemTextW(dialog, IDC_SEGMENT_SIZE, FormatFixed(options.size).c_str());
    SetDlgItemTextW(dialog, IDC_GLOBAL_SCALE, FormatFixed(options.scaleFactor).c_str());
}

// Reads and checks the controls in order; stops at the first failure with
// the fields read so far kept. True when the options were saved.
bool AcceptOptions(HWND dialog, ImportTRCOptions& options) {
    const std::wstring caption = GetResourceStringAsMSTR(IDS_IMPORT_TRC_ERROR);
    auto refuse = [&caption](int text) {
        MessageReporter::Module().Report(GetResourceStringAsMSTR(text), caption);
        return false;
    };
    options.apply = !Checked(dialog, IDC_TRC_CREATE);
    options.range = !Checked(dialog, IDC_ALL_FRAMES);
    options.sphereGeometry = Checked(dialog, IDC_SPHERE);
    options.selectedOnly = Checked(dialog, IDC_SELECTED_ONLY);
    options.rootNode = Checked(dialog, IDC_ROOT_NODE);
    options.setFrameRate = Checked(dialog, IDC_SET_FRAME_RATE);
    if (!AcceptFrameRange(dialog, IDC_FROM_FRAME, IDC_TO_FRAME, options.startFrame,
                          options.endFrame, caption)) {
        return false;
    }
    options.offset = ReadIntField(dialog, IDC_FRAME_OFFSET);
    options.size = static_cast<float>(ReadDoubleField(dialog, IDC_SEGMENT_SIZE));
    if (options.size == 0.0f) return refuse(IDS_NONZERO_SIZE);
    options.scaleFactor = ReadDoubleField(dialog, IDC_GLOBAL_SCALE);
    if (options.scaleFactor == 0.0) return refuse(IDS_NONZERO_SCALE_FACTOR);
    if (options.endFrame < options.startFrame) return refuse(IDS_START_AFTER_END);
    options.Save();
    return true;
}

void OnCommand(HWND dialog, int id, ImportTRCOptions& /*options*/) {
    switch (id) {
        case IDC_TRC_CREATE:
        case IDC_TRC_APPLY:
            CheckRadioButton(dialog, IDC_TRC_CREATE, IDC_TRC_APPLY, id);
            EnableForMode(dialog, id == IDC_TRC_APPLY);
            break;
        case IDC_ALL_FRAMES:
        case IDC_FRAME_RANGE:
            CheckRadioButton(dialog, IDC_ALL_FRAMES, IDC_FRAME_RANGE, id);
            Enable(dialog, IDC_FROM_FRAME, id == IDC_FRAME_RANGE);
            Enable(dialog, IDC_TO_FRAME, id == IDC_FRAME_RANGE);
            break;
        case IDC_SPHERE:
        case IDC_POINT: CheckRadioButton(dialog, IDC_SPHERE, IDC_POINT, id); break;
        default: break;
    }
}

}  // namespace

INT_PTR RunImportTRCDialog(HWND owner, ImportTRCOptions& options) {
    return OptionsDialog<ImportTRCOptions>::Run(owner, IDD_IMPORT_TRC, options, InitDialog, OnCommand, AcceptOptions);
}
