// The modal options dialogs of the importers and the exporter: a template
// over an options record, three functions that know its controls, and the
// behaviour they share. The record loads what it remembers as the dialog
// opens, before `init` shows it, and a remembered value its field would
// refuse is noted. OK asks `accept` to read, check and save the
// controls and ends the dialog with 1 when it did; Cancel ends it with 0;
// Escape's cancel command is ignored, so only Cancel cancels; every other
// command goes to `command`. Nothing thrown leaves the dialog procedure.
#pragma once

#include <vector>

#include "brindle/sdk/BrindleWindows.h"
#include "plugin/DialogText.h"
#include "plugin/RememberedValues.h"
#include "resources/ModuleResources.h"

template <typename Options>
class OptionsDialog {
public:
    using Init = void (*)(HWND dialog, Options& options);
    using Command = void (*)(HWND dialog, int id, Options& options);
    using Accept = bool (*)(HWND dialog, Options& options);

    // Runs template `templateId` modally over `owner` on `options`; 1 for
    // OK, 0 for Cancel, -1 when the dialog could not run.
    static INT_PTR Run(HWND owner, int templateId, Options& options, Init init, Command command,
                       Accept accept) {
        const Open previous = open_;
        open_ = {&options, templateId, init, command, accept};
        const INT_PTR result =
            DialogBoxIndirectParamW(nullptr, ModuleDialog(templateId), owner, Procedure, 0);
        open_ = previous;
        return result;
    }

private:
    // The dialog is modal: one is open at a time.
    struct Open {
        Options* options = nullptr;
        int templateId = 0;
        Init init = nullptr;
        Command command = nullptr;
        Accept accept = nullptr;
    };
    static inline Open open_{};

    static INT_PTR Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
        if (open_.options == nullptr) return FALSE;
        return GuardDialogMessage(
            [&]() -> INT_PTR {
                switch (message) {
                    case WM_INITDIALOG: OnInit(dialog); return TRUE;
                    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam)); return TRUE;
                    default: return FALSE;
                }
            },
            dialog);
    }

    static void OnInit(HWND dialog) {
        const std::vector<RefusedValue> refused = open_.options->Load();
        open_.init(dialog, *open_.options);
        SayRefused(refused, open_.templateId);
    }

    static void OnCommand(HWND dialog, int id) {
        switch (id) {
            case IDC_OK:
                if (open_.accept(dialog, *open_.options)) EndDialog(dialog, 1);
                break;
            case IDC_CANCEL: EndDialog(dialog, 0); break;
            case IDCANCEL: break;  // Escape
            default: open_.command(dialog, id, *open_.options); break;
        }
    }
};
