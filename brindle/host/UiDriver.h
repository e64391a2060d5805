// Who acts in the headless host's user interface. Message boxes and modal
// dialogs ask the installed driver for the user's answers and actions: a
// scripted queue in tests, the command line in tovfileio.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "brindle/sdk/BrindleWindows.h"

namespace brindle::host {

struct MessageBoxRequest {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = MB_OK;
};

// One thing the user does in an open dialog.
struct DialogAction {
    enum class Kind {
        Click,    // press a button, toggle a check box, choose a radio button
        SetText,  // type into an edit control (its whole text)
        Enter,    // press Enter: the default button, else OK
        Escape,   // press Escape: Cancel
        Close,    // close the window
    };
    Kind kind = Kind::Click;
    int control = 0;
    std::wstring text;
};

// A read-only view of a control or a dialog, for drivers that show them.
struct ControlView {
    int id;
    ControlKind kind;
    std::wstring text;
    bool checked;
    bool enabled;
};
struct DialogView {
    HWND window;
    int templateId;
    std::wstring title;
    RECT rect;
    std::vector<ControlView> controls;
};

class UiDriver {
public:
    virtual ~UiDriver() = default;
    // The button the user chose (IDOK, IDYES, IDNO); 0 when nobody can answer.
    virtual int AnswerMessageBox(const MessageBoxRequest& request) = 0;
    // The next action in the open dialog; none when nobody can act, which
    // ends the dialog with -1 instead of waiting forever.
    virtual std::optional<DialogAction> NextDialogAction(const DialogView& dialog) = 0;
    virtual void DialogOpened(const DialogView& /*dialog*/) {}
    virtual void DialogClosed(const DialogView& /*dialog*/, INT_PTR /*result*/) {}
};

// Installs the driver the host asks from now on (null: nobody can act).
// Returns the driver that was installed before.
UiDriver* SetUiDriver(UiDriver* driver);

// Problems the user interface met that are nobody's answer: a question
// that no one could answer, a dialog left open with no one to act. The list
// is emptied by taking it.
std::vector<std::wstring> TakeUiProblems();

// The host's main window.
HWND MainWindow();

}  // namespace brindle::host
