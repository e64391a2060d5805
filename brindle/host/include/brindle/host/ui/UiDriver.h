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
    EditEntry entry;  // what an edit takes; typed text it refuses changes nothing
};
struct DialogView {
    HWND window;
    int templateId;
    std::wstring title;
    RECT rect;
    std::vector<ControlView> controls;
};

// An open or save file dialog as the user sees it.
struct FileDialogRequest {
    bool save = false;
    bool multiple = false;         // several files may be chosen
    bool mustExist = false;        // the chosen files must exist
    bool overwritePrompt = false;  // choosing an existing file asks first
    std::wstring title;
    std::wstring filter;  // description and pattern, as "Name (*.X)|*.x"
    std::wstring defaultExtension;
    std::wstring initialFolder;
};

// One thing the user does while the host waits for messages: act in a
// modeless window (a rollup page, a modeless dialog), click a node in a
// viewport, right-click a viewport, or close the host.
struct HostEvent {
    enum class Kind { Dialog, Pick, RightClick, ExitHost };
    Kind kind = Kind::Dialog;
    int templateId = 0;  // Dialog: the open window made from this template
    DialogAction action;
    ULONG node = 0;  // Pick: the handle of the node clicked
};

// What is open while the host waits for messages.
struct PendingView {
    std::vector<DialogView> windows;  // modeless windows, oldest first
    bool picking = false;             // a pick mode is active
    // Whether the host waits for the user (a pick, a command's main loop)
    // rather than only taking what is already pending.
    bool waiting = false;
};

// Carries out one event as the message pump does.
void DispatchEvent(const HostEvent& event);
// Hands the user's events to the host until the driver has none or the
// host is closed: the main loop of a program that shows modeless windows.
// Returns the events run.
int RunEvents();

class UiDriver {
public:
    virtual ~UiDriver() = default;
    // The button the user chose (IDOK, IDYES, IDNO); 0 when nobody can answer.
    virtual int AnswerMessageBox(const MessageBoxRequest& request) = 0;
    // The next action in the open dialog; none when nobody can act, which
    // ends the dialog with -1 instead of waiting forever.
    virtual std::optional<DialogAction> NextDialogAction(const DialogView& dialog) = 0;
    virtual void DialogOpened(const DialogView& /*dialog*/) {}
    // The files chosen in a file dialog; none (or an empty list) cancels.
    virtual std::optional<std::vector<std::wstring>> ChooseFiles(const FileDialogRequest& /*request*/) {
        return std::nullopt;
    }
    // The folder chosen; none cancels.
    virtual std::optional<std::wstring> ChooseFolder(const std::wstring& /*title*/) {
        return std::nullopt;
    }
    // The next event while the host pumps messages; none when nobody can
    // act, which ends a running pick mode instead of waiting forever.
    virtual std::optional<HostEvent> NextEvent(const PendingView& /*pending*/) {
        return std::nullopt;
    }
    // A viewport click that found nothing the pick mode accepts.
    virtual void PickMissed(ULONG /*node*/) {}
    virtual void DialogClosed(const DialogView& /*dialog*/, INT_PTR /*result*/) {}
};

// Installs the driver the host asks from now on (null: nobody can act).
// Returns the driver that was installed before.
UiDriver* SetUiDriver(UiDriver* driver);
// The driver installed now, or null.
UiDriver* CurrentUiDriver();
// Records a problem of the user interface (see TakeUiProblems).
void AddUiProblem(std::wstring problem);

// Problems the user interface met that are nobody's answer: a question
// that no one could answer, a dialog left open with no one to act. The list
// is emptied by taking it.
std::vector<std::wstring> TakeUiProblems();

// The host's main window.
HWND MainWindow();

// Modeless windows now open, oldest first.
std::vector<DialogView> ModelessWindows();
// Delivers `action` to the open modeless window made from `templateId`;
// false when there is none.
bool DeliverToModeless(int templateId, const DialogAction& action);
// A view of any open window made from a template (modal or modeless).
std::optional<DialogView> ViewOfWindow(HWND window);

}  // namespace brindle::host
