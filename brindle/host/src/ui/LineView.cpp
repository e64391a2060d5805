#include "ui/LineView.h"

#include <cctype>

#include "brindle/host/ui/EditEntry.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

// A control's label without the mnemonic marks, for matching and showing.
std::string Label(const ControlView& control) {
    std::string label;
    for (char c : Utf8(control.text)) {
        if (c != '&') label += c;
    }
    return label;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

const char* KindText(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return "label";
        case ControlKind::Bitmap: return "picture";
        case ControlKind::Button: return "button";
        case ControlKind::DefaultButton: return "default button";
        case ControlKind::CheckBox: return "check box";
        case ControlKind::RadioButton: return "radio button";
        case ControlKind::Edit: return "edit";
        case ControlKind::ReadOnlyEdit: return "read-only";
        case ControlKind::GroupBox: return "group";
        case ControlKind::CustomEdit: return "number";
    }
    return "control";
}

bool HoldsText(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::ReadOnlyEdit ||
           kind == ControlKind::CustomEdit;
}

}  // namespace

std::string Utf8(const std::wstring& text) { return TextCodec::EncodeUtf8(text); }

std::string DialogText(const DialogView& dialog, const TextEscape& escaped) {
    std::string text = "[" + Utf8(dialog.title) + "]\n";
    for (const ControlView& control : dialog.controls) {
        if (control.kind == ControlKind::Bitmap) continue;
        text += "  ";
        if (control.id > 0) text += std::to_string(control.id) + " ";
        text += KindText(control.kind);
        switch (control.kind) {
            case ControlKind::CheckBox:
            case ControlKind::RadioButton: text += control.checked ? " [x] " : " [ ] "; break;
            default: text += " "; break;
        }
        text +=
            HoldsText(control.kind) ? "\"" + escaped(Utf8(control.text)) + "\"" : Label(control);
        if (!control.enabled) text += " (disabled)";
        text += "\n";
    }
    return text;
}

int FindControl(const DialogView& dialog, const std::string& target) {
    for (const ControlView& control : dialog.controls) {
        if (control.id > 0 && std::to_string(control.id) == target) return control.id;
    }
    for (const ControlView& control : dialog.controls) {
        if (control.id > 0 && !control.text.empty() && SameText(Label(control), target)) {
            return control.id;
        }
    }
    return 0;
}

std::string TypingRefused(const DialogView& dialog, int id, const std::wstring& text) {
    for (const ControlView& control : dialog.controls) {
        if (control.id != id || EditTakes(control.entry, text)) continue;
        return "control " + std::to_string(id) + " takes " + EditEntryWords(control.entry) +
               "; it keeps what it held\n";
    }
    return std::string();
}

std::wstring DialogState(const DialogView& dialog) {
    std::wstring state = dialog.title;
    for (const ControlView& control : dialog.controls) {
        state += control.text + (control.checked ? L"1" : L"0") + (control.enabled ? L"1" : L"0");
    }
    return state;
}

}  // namespace brindle::host
