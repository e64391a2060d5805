#include "plugin/AboutBox.h"

#include "brindle/sdk/HostServices.h"
#include "resources/ModuleResources.h"

const wchar_t kTovelundLegalNotice[] = L"Copyright (c) Tovelund Corporation. All rights reserved.";

namespace {

INT_PTR AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG: CenterWindow(dialog, GetParent(dialog)); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_ABOUT_OK) EndDialog(dialog, 1);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR RunAboutBox(HWND owner) {
    return DialogBoxIndirectParamW(nullptr, ModuleDialog(IDD_ABOUT), owner, AboutProcedure, 0);
}
