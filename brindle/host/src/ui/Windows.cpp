// The headless host's windows: the main window, modal dialogs built from
// templates, their controls, and message boxes. Everything goes through the
// installed user-interface driver; nothing waits for input that cannot come.
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <unordered_map>
#include <vector>

#include "brindle/host/ui/EditEntry.h"
#include "brindle/host/ui/UiDriver.h"
#include "brindle/sdk/BrindleWindows.h"
#include "brindle/sdk/CustomControls.h"
#include "brindle/sdk/HostServices.h"

namespace brindle::host {
namespace {

// Pixels per dialog unit come from the dialog font's average character
// size: 6 by 13 pixels for the usual 8-point dialog font.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
constexpr RECT kMainWindowRect = {0, 0, 1280, 800};

struct Window {
    int id = 0;
    ControlKind kind = ControlKind::Label;
    std::wstring text;
    RECT rect = {};
    bool checked = false;
    bool enabled = true;
    EditEntry entry;        // what an edit takes when typed into
    HWND parent = nullptr;  // a dialog's owner, a control's dialog
    // Dialogs only.
    Window* dialog = nullptr;  // the dialog a control belongs to
    const DialogTemplate* dialogTemplate = nullptr;
    DLGPROC procedure = nullptr;
    std::vector<Window*> controls;
    bool ended = false;
    INT_PTR result = 0;
    bool modeless = false;
    bool visible = false;
};

struct WindowSystem {
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    HWND mainWindow = nullptr;
    std::vector<HWND> modalStack;
    std::vector<HWND> modeless;  // oldest first
    UiDriver* driver = nullptr;
    std::vector<std::wstring> problems;

    WindowSystem() {
        auto main = std::make_unique<Window>();
        main->text = L"Brindle";
        main->rect = kMainWindowRect;
        mainWindow = reinterpret_cast<HWND>(main.get());
        windows.emplace(mainWindow, std::move(main));
    }
};

WindowSystem& System() {
    static WindowSystem system;
    return system;
}

Window* Find(HWND handle) {
    auto& windows = System().windows;
    const auto found = windows.find(handle);
    return found == windows.end() ? nullptr : found->second.get();
}

HWND HandleOf(Window* window) { return reinterpret_cast<HWND>(window); }

Window* FindControl(HWND dialog, int id) {
    Window* window = Find(dialog);
    if (window == nullptr) return nullptr;
    for (Window* control : window->controls) {
        if (control->id == id) return control;
    }
    return nullptr;
}

DialogView ViewOf(Window& dialog) {
    DialogView view{HandleOf(&dialog), dialog.dialogTemplate->id, dialog.text, dialog.rect, {}};
    for (const Window* control : dialog.controls) {
        view.controls.push_back(
            {control->id, control->kind, control->text, control->checked, control->enabled,
             control->entry});
    }
    return view;
}

Window* CreateDialogWindow(const DialogTemplate& dialogTemplate, HWND owner) {
    auto& system = System();
    const Window* ownerWindow = Find(owner);
    const RECT origin = ownerWindow != nullptr ? ownerWindow->rect : kMainWindowRect;
    auto dialog = std::make_unique<Window>();
    dialog->text = dialogTemplate.title != nullptr ? dialogTemplate.title : L"";
    dialog->dialogTemplate = &dialogTemplate;
    dialog->parent = owner;
    dialog->rect = {origin.left, origin.top,
                    origin.left + dialogTemplate.width * kBaseUnitX / 4,
                    origin.top + dialogTemplate.height * kBaseUnitY / 8};
    Window* created = dialog.get();
    system.windows.emplace(HandleOf(created), std::move(dialog));
    for (std::size_t i = 0; i < dialogTemplate.controlCount; ++i) {
        const DialogControl& source = dialogTemplate.controls[i];
        auto control = std::make_unique<Window>();
        control->id = source.id;
        control->kind = source.kind;
        control->text = source.text != nullptr ? source.text : L"";
        control->entry = source.entry;
        const LONG left = created->rect.left + source.x * kBaseUnitX / 4;
        const LONG top = created->rect.top + source.y * kBaseUnitY / 8;
        control->rect = {left, top, left + source.width * kBaseUnitX / 4,
                         top + source.height * kBaseUnitY / 8};
        control->dialog = created;
        control->parent = HandleOf(created);
        created->controls.push_back(control.get());
        system.windows.emplace(HandleOf(control.get()), std::move(control));
    }
    return created;
}

void DestroyDialogWindow(Window* dialog) {
    auto& windows = System().windows;
    for (Window* control : dialog->controls) windows.erase(HandleOf(control));
    windows.erase(HandleOf(dialog));
}

INT_PTR Send(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialog.procedure(HandleOf(&dialog), message, wParam, lParam);
}

void SendCommand(Window& dialog, int id, WORD notification) {
    Window* control = nullptr;
    for (Window* candidate : dialog.controls) {
        if (candidate->id == id) control = candidate;
    }
    Send(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), notification),
         reinterpret_cast<LPARAM>(control));
}

// A click changes the control as the real controls do before the dialog
// hears of it: a check box toggles, a radio button is chosen and the other
// radio buttons of its group (the run of radio buttons around it) clear.
void ApplyClick(Window& dialog, Window& control) {
    if (control.kind == ControlKind::CheckBox) {
        control.checked = !control.checked;
    } else if (control.kind == ControlKind::RadioButton) {
        auto& controls = dialog.controls;
        const auto at = std::find(controls.begin(), controls.end(), &control);
        auto first = at;
        while (first != controls.begin() && (*(first - 1))->kind == ControlKind::RadioButton) {
            --first;
        }
        for (auto it = first; it != controls.end() && (*it)->kind == ControlKind::RadioButton; ++it) {
            (*it)->checked = *it == &control;
        }
    }
}

void Deliver(Window& dialog, const DialogAction& action) {
    switch (action.kind) {
        case DialogAction::Kind::Click: {
            Window* control = FindControl(HandleOf(&dialog), action.control);
            if (control == nullptr || !control->enabled) return;
            ApplyClick(dialog, *control);
            SendCommand(dialog, action.control, BN_CLICKED);
            return;
        }
        case DialogAction::Kind::SetText: {
            Window* control = FindControl(HandleOf(&dialog), action.control);
            if (control == nullptr || !control->enabled) return;
            if (!EditTakes(control->entry, action.text)) return;
            control->text = action.text;
            SendCommand(dialog, action.control, EN_CHANGE);
            return;
        }
        case DialogAction::Kind::Enter: {
            int id = IDOK;
            for (const Window* control : dialog.controls) {
                if (control->kind == ControlKind::DefaultButton) id = control->id;
            }
            SendCommand(dialog, id, BN_CLICKED);
            return;
        }
        case DialogAction::Kind::Escape: SendCommand(dialog, IDCANCEL, BN_CLICKED); return;
        case DialogAction::Kind::Close:
            // Unhandled, closing the window means Cancel.
            if (Send(dialog, WM_CLOSE, 0, 0) == FALSE && !dialog.ended) {
                SendCommand(dialog, IDCANCEL, BN_CLICKED);
            }
            return;
    }
}

}  // namespace

UiDriver* SetUiDriver(UiDriver* driver) {
    UiDriver* previous = System().driver;
    System().driver = driver;
    return previous;
}

UiDriver* CurrentUiDriver() { return System().driver; }

void AddUiProblem(std::wstring problem) { System().problems.push_back(std::move(problem)); }

std::vector<std::wstring> TakeUiProblems() {
    std::vector<std::wstring> problems;
    problems.swap(System().problems);
    return problems;
}

HWND MainWindow() { return System().mainWindow; }

std::vector<DialogView> ModelessWindows() {
    std::vector<DialogView> views;
    for (HWND handle : System().modeless) {
        if (Window* window = Find(handle)) views.push_back(ViewOf(*window));
    }
    return views;
}

bool DeliverToModeless(int templateId, const DialogAction& action) {
    // Newest first: a dialog opened over a page takes the user's action.
    const std::vector<HWND> open = System().modeless;
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        Window* window = Find(*it);
        if (window == nullptr || window->dialogTemplate->id != templateId) continue;
        Deliver(*window, action);
        return true;
    }
    return false;
}

std::optional<DialogView> ViewOfWindow(HWND handle) {
    Window* window = Find(handle);
    if (window == nullptr || window->dialogTemplate == nullptr) return std::nullopt;
    return ViewOf(*window);
}

}  // namespace brindle::host

using brindle::host::DialogAction;
using brindle::host::System;

int MessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    auto& system = System();
    brindle::host::MessageBoxRequest request{owner, text != nullptr ? text : L"",
                                             caption != nullptr ? caption : L"", type};
    const int answer = system.driver != nullptr ? system.driver->AnswerMessageBox(request) : 0;
    if (answer == 0) {
        system.problems.push_back(L"nobody could answer the message \"" + request.text + L"\"");
    }
    return answer;
}

HWND GetActiveWindow() {
    auto& system = System();
    return system.modalStack.empty() ? system.mainWindow : system.modalStack.back();
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE /*module*/, const DialogTemplate* dialogTemplate,
                                HWND owner, DLGPROC procedure, LPARAM param) {
    using namespace brindle::host;
    if (dialogTemplate == nullptr || procedure == nullptr) return -1;
    auto& system = System();
    Window* dialog = CreateDialogWindow(*dialogTemplate, owner);
    dialog->procedure = procedure;
    const HWND handle = HandleOf(dialog);
    system.modalStack.push_back(handle);
    Send(*dialog, WM_INITDIALOG, 0, param);
    if (system.driver != nullptr) system.driver->DialogOpened(ViewOf(*dialog));
    while (!dialog->ended) {
        std::optional<DialogAction> action;
        if (system.driver != nullptr) action = system.driver->NextDialogAction(ViewOf(*dialog));
        if (!action) {
            system.problems.push_back(L"nobody could act in the dialog \"" + dialog->text + L"\"");
            dialog->ended = true;
            dialog->result = -1;
            break;
        }
        Deliver(*dialog, *action);
    }
    const INT_PTR result = dialog->result;
    if (system.driver != nullptr) system.driver->DialogClosed(ViewOf(*dialog), result);
    system.modalStack.erase(std::find(system.modalStack.begin(), system.modalStack.end(), handle));
    DestroyDialogWindow(dialog);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    auto* window = brindle::host::Find(dialog);
    if (window == nullptr || window->dialogTemplate == nullptr) return FALSE;
    window->ended = true;
    window->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    return reinterpret_cast<HWND>(brindle::host::FindControl(dialog, id));
}

HWND GetParent(HWND window) {
    const auto* found = brindle::host::Find(window);
    return found != nullptr ? found->parent : nullptr;
}

int GetDlgCtrlID(HWND control) {
    const auto* window = brindle::host::Find(control);
    return window != nullptr ? window->id : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int id, const wchar_t* text) {
    auto* control = brindle::host::FindControl(dialog, id);
    if (control == nullptr) return FALSE;
    control->text = text != nullptr ? text : L"";
    return TRUE;
}

UINT GetDlgItemTextW(HWND dialog, int id, wchar_t* text, int maxChars) {
    const auto* control = brindle::host::FindControl(dialog, id);
    if (text == nullptr || maxChars <= 0) return 0;
    if (control == nullptr) {
        text[0] = L'\0';
        return 0;
    }
    const std::size_t count =
        std::min(control->text.size(), static_cast<std::size_t>(maxChars) - 1);
    std::copy_n(control->text.data(), count, text);
    text[count] = L'\0';
    return static_cast<UINT>(count);
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    const auto* found = brindle::host::Find(window);
    if (found == nullptr || rect == nullptr) return FALSE;
    *rect = found->rect;
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL /*repaint*/) {
    auto* found = brindle::host::Find(window);
    if (found == nullptr) return FALSE;
    const LONG dx = x - found->rect.left;
    const LONG dy = y - found->rect.top;
    found->rect = {x, y, x + width, y + height};
    // Controls move with their dialog.
    for (auto* control : found->controls) {
        control->rect = {control->rect.left + dx, control->rect.top + dy, control->rect.right + dx,
                         control->rect.bottom + dy};
    }
    return TRUE;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT state) {
    auto* control = brindle::host::FindControl(dialog, id);
    if (control == nullptr) return FALSE;
    control->checked = state == BST_CHECKED;
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    const auto* control = brindle::host::FindControl(dialog, id);
    return control != nullptr && control->checked ? BST_CHECKED : BST_UNCHECKED;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
    auto* window = brindle::host::Find(dialog);
    if (window == nullptr) return FALSE;
    for (auto* control : window->controls) {
        if (control->id >= firstId && control->id <= lastId) control->checked = control->id == checkId;
    }
    return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    auto* found = brindle::host::Find(window);
    if (found == nullptr) return FALSE;
    const bool wasDisabled = !found->enabled;
    found->enabled = enable != FALSE;
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
    const auto* found = brindle::host::Find(window);
    return found != nullptr && found->enabled ? TRUE : FALSE;
}

void CenterWindow(HWND window, HWND parent) {
    RECT rect, around;
    if (!GetWindowRect(window, &rect) || !GetWindowRect(parent, &around)) return;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = around.left + ((around.right - around.left) - width) / 2;
    const int y = around.top + ((around.bottom - around.top) - height) / 2;
    MoveWindow(window, x, y, width, height, FALSE);
}

HWND CreateDialogParamW(HINSTANCE /*module*/, const DialogTemplate* dialogTemplate, HWND owner,
                        DLGPROC procedure, LPARAM param) {
    using namespace brindle::host;
    if (dialogTemplate == nullptr || procedure == nullptr) return nullptr;
    Window* dialog = CreateDialogWindow(*dialogTemplate, owner);
    dialog->procedure = procedure;
    dialog->modeless = true;
    const HWND handle = HandleOf(dialog);
    System().modeless.push_back(handle);
    Send(*dialog, WM_INITDIALOG, 0, param);
    return handle;
}

BOOL DestroyWindow(HWND handle) {
    using namespace brindle::host;
    Window* window = Find(handle);
    if (window == nullptr || !window->modeless) return FALSE;
    auto& open = System().modeless;
    open.erase(std::remove(open.begin(), open.end(), handle), open.end());
    DestroyDialogWindow(window);
    return TRUE;
}

BOOL ShowWindow(HWND handle, int command) {
    auto* window = brindle::host::Find(handle);
    if (window == nullptr) return FALSE;
    const bool wasVisible = window->visible;
    window->visible = command != SW_HIDE;
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindow(HWND handle) { return brindle::host::Find(handle) != nullptr ? TRUE : FALSE; }

LRESULT SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = brindle::host::Find(handle);
    if (window == nullptr || window->procedure == nullptr) return 0;
    return brindle::host::Send(*window, message, wParam, lParam);
}

namespace {

// The host's numeric edit field over a control window.
class HostCustEdit : public ICustEdit {
public:
    explicit HostCustEdit(HWND window) : window_(window) {}
    ~HostCustEdit() override = default;
    void SetText(const wchar_t* text) override {
        if (auto* control = brindle::host::Find(window_)) control->text = text != nullptr ? text : L"";
    }
    void GetText(wchar_t* text, int maxChars) override {
        if (text == nullptr || maxChars <= 0) return;
        const auto* control = brindle::host::Find(window_);
        const std::wstring value = control != nullptr ? control->text : L"";
        const std::size_t count = std::min(value.size(), static_cast<std::size_t>(maxChars) - 1);
        std::copy_n(value.data(), count, text);
        text[count] = L'\0';
    }
    float GetFloat(BOOL* valid) override {
        const auto* control = brindle::host::Find(window_);
        const std::wstring value = control != nullptr ? control->text : L"";
        wchar_t* end = nullptr;
        const float number = std::wcstof(value.c_str(), &end);
        // Blanks around the number are allowed; anything else is not.
        while (end != nullptr && (*end == L' ' || *end == L'\t')) ++end;
        const bool ok = !value.empty() && end != value.c_str() && end != nullptr && *end == L'\0';
        if (valid != nullptr) *valid = ok ? TRUE : FALSE;
        return ok ? number : 0.0f;
    }
    void Enable(BOOL enable) override { EnableWindow(window_, enable); }
    void Disable() override { EnableWindow(window_, FALSE); }

private:
    HWND window_;
};

}  // namespace

ICustEdit* GetICustEdit(HWND window) {
    const auto* control = brindle::host::Find(window);
    if (control == nullptr || control->kind != ControlKind::CustomEdit) return nullptr;
    return new HostCustEdit(window);
}

void ReleaseICustEdit(ICustEdit* edit) { delete static_cast<HostCustEdit*>(edit); }
