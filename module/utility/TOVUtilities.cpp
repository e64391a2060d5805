#include "utility/TOVUtilities.h"

#include <cstdio>
#include <cwchar>

#include "brindle/sdk/CustomControls.h"
#include "plugin/RememberedValues.h"
#include "resources/ModuleResources.h"

using namespace tovfileio;

namespace {

constexpr int kOffsetFields[] = {IDC_OFFSET_X, IDC_OFFSET_Y, IDC_OFFSET_Z};
// The page handles commands of controls from this id to the next.
constexpr int kFirstCommand = 1103;
constexpr int kLastCommand = 1205;
constexpr std::size_t kFolderChars = 260;

INT_PTR PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    // The panel comes with WM_INITDIALOG; nothing before it is handled.
    static TOVUtilities* panel = nullptr;
    if (message == WM_INITDIALOG) panel = reinterpret_cast<TOVUtilities*>(lParam);
    if (panel == nullptr) return FALSE;
    return panel->HandlePageMessage(page, message, wParam, lParam);
}

bool Checked(HWND page, int control) { return IsDlgButtonChecked(page, control) == BST_CHECKED; }

void Check(HWND page, int control, bool on) {
    CheckDlgButton(page, control, on ? BST_CHECKED : BST_UNCHECKED);
}

void Enable(HWND page, int control, bool on) {
    EnableWindow(GetDlgItem(page, control), on ? TRUE : FALSE);
}

}  // namespace

void TOVUtilities::BeginEditParams(Interface* host, IUtil* utility) {
    host_ = host;
    utility_ = utility;
    if (page_ == nullptr && host != nullptr) {
        page_ = host->AddRollupPage(nullptr, ModuleDialog(IDD_UTILITY_PAGE), PageProc,
                                    GetResourceStringAsMSTR(IDS_CONVERT_TRC_TO_GWM).c_str(),
                                    reinterpret_cast<LPARAM>(this), 0,
                                    Interface::ROLLUP_CAT_STANDARD);
    }
}

void TOVUtilities::EndEditParams(Interface* host, IUtil* /*utility*/) {
    if (host != nullptr) host->ClearPickMode();
    convert_.SaveSettings();
    if (page_ != nullptr && host != nullptr) host->DeleteRollupPage(page_);
    page_ = nullptr;
    utility_ = nullptr;
    host_ = nullptr;
}

bool TOVUtilities::ChooseOutputFolder(Interface* host) {
    wchar_t folder[kFolderChars + 1] = {};
    if (host != nullptr) {
        host->ChooseDirectory(host->GetMainWindow(),
                              GetResourceStringAsMSTR(IDS_CHOOSE_OUTPUT_FOLDER).c_str(), folder);
    }
    convert_.Settings().OutputPath = folder;
    return true;
}

void TOVUtilities::ShowPath(HWND page, int control, const std::wstring& path) {
    SetDlgItemTextW(page, control, path.empty() ? L"<none>" : path.c_str());
}

void TOVUtilities::EnableOffset(HWND page, bool enable) {
    Enable(page, IDC_TRC_SPACE, enable);
    Enable(page, IDC_BRINDLE_SPACE, enable);
    for (int field : kOffsetFields) {
        if (ICustEdit* edit = GetICustEdit(GetDlgItem(page, field))) {
            edit->Enable(enable ? TRUE : FALSE);
            ReleaseICustEdit(edit);
        }
    }
}

void TOVUtilities::ShowSpace(HWND page) {
    CheckRadioButton(page, IDC_TRC_SPACE, IDC_BRINDLE_SPACE,
                     convert_.Settings().TRCSpace ? IDC_TRC_SPACE : IDC_BRINDLE_SPACE);
}

void TOVUtilities::SetUpPage(HWND page) {
    const ConvertGWMSettings& settings = convert_.Settings();
    ShowPath(page, IDC_MNM_PATH, settings.MNMPath);
    ShowPath(page, IDC_OUTPUT_PATH, settings.OutputPath);
    Check(page, IDC_USE_FILTER, settings.Filter);
    if (settings.Batch) {
        Check(page, IDC_BATCH, true);
        Check(page, IDC_TRC_NAME, true);
        Enable(page, IDC_TRC_NAME, false);
    } else {
        Check(page, IDC_BATCH, false);
    }
    Check(page, IDC_TRC_NAME, settings.TRCName);
    ShowSpace(page);
    Check(page, IDC_OFFSET_ENABLE, settings.Offset);
    EnableOffset(page, settings.Offset);
    const float offsets[] = {settings.OffsetX, settings.OffsetY, settings.OffsetZ};
    for (int i = 0; i < 3; ++i) {
        if (ICustEdit* edit = GetICustEdit(GetDlgItem(page, kOffsetFields[i]))) {
            wchar_t text[64];
            std::swprintf(text, 64, L"%f", static_cast<double>(offsets[i]));
            edit->SetText(text);
            ReleaseICustEdit(edit);
        }
    }
    SayRefused(convert_.TakeRefused(), IDD_UTILITY_PAGE);
}

void TOVUtilities::HandleCommand(HWND page, int control) {
    ConvertGWMSettings& settings = convert_.Settings();
    switch (control) {
        case IDC_TRC_SPACE:
            settings.TRCSpace = Checked(page, IDC_TRC_SPACE);
            ShowSpace(page);
            break;
        case IDC_BRINDLE_SPACE:
            settings.TRCSpace = !Checked(page, IDC_BRINDLE_SPACE);
            ShowSpace(page);
            break;
        case IDC_MNM_BROWSE:
            if (convert_.BrowseMNM(host_)) ShowPath(page, IDC_MNM_PATH, settings.MNMPath);
            break;
        case IDC_OUTPUT_BROWSE:
            ChooseOutputFolder(host_);
            ShowPath(page, IDC_OUTPUT_PATH, settings.OutputPath);
            break;
        case IDC_CONVERT: {
            float* offsets[] = {&settings.OffsetX, &settings.OffsetY, &settings.OffsetZ};
            const bool enabled = Checked(page, IDC_OFFSET_ENABLE);
            for (int i = 0; i < 3; ++i) {
                *offsets[i] = 0.0f;
                if (!enabled) continue;
                if (ICustEdit* edit = GetICustEdit(GetDlgItem(page, kOffsetFields[i]))) {
                    BOOL valid = FALSE;
                    const float value = edit->GetFloat(&valid);
                    if (valid) *offsets[i] = value;
                    ReleaseICustEdit(edit);
                }
            }
            convert_.ConvertTRCFiles(host_);
            break;
        }
        case IDC_BATCH:
            if (Checked(page, IDC_BATCH)) {
                settings.Batch = true;
                Check(page, IDC_TRC_NAME, true);
                Enable(page, IDC_TRC_NAME, false);
            } else {
                settings.Batch = false;
                Enable(page, IDC_TRC_NAME, true);
            }
            break;
        case IDC_TRC_NAME: settings.TRCName = Checked(page, IDC_TRC_NAME); break;
        case IDC_MNM_CREATE:
            if (convert_.CreateMNM(host_)) ShowPath(page, IDC_MNM_PATH, settings.MNMPath);
            break;
        case IDC_USE_FILTER: settings.Filter = Checked(page, IDC_USE_FILTER); break;
        case IDC_OFFSET_ENABLE:
            settings.Offset = Checked(page, IDC_OFFSET_ENABLE);
            EnableOffset(page, settings.Offset);
            break;
        default: break;
    }
}

INT_PTR TOVUtilities::HandlePageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: SetUpPage(page); return TRUE;
        case WM_COMMAND: {
            const int control = LOWORD(wParam);
            if (control >= kFirstCommand && control <= kLastCommand) HandleCommand(page, control);
            return TRUE;
        }
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            if (host_ != nullptr) host_->RollupMouseMessage(page, message, wParam, lParam);
            return FALSE;
        default: return FALSE;
    }
}
