// A user-interface driver for a person (or a script) on standard input:
// every window, question, chooser and pick is shown as text on the output,
// and one line of input answers it. Runs out of input end what is open, as
// a script that runs out does, so nothing waits forever.
//
// "quit", at any prompt, leaves: from then on every question is answered
// no, every dialog is cancelled, every chooser too, and the host is handed
// no more events, so the command comes to its end. Ctrl-C, while the command
// takes it as a cancel (InterruptAsCancel), leaves the same way.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "brindle/host/ui/UiDriver.h"

struct LineAnswer;

// What the command running the driver knows of the module's windows.
struct LineDriverHints {
    // Leaving while the window made from template `quitWindow` is open
    // clicks `quitControl` in it (the way out the window itself offers).
    int quitWindow = 0;
    int quitControl = 0;
    // A line said before each pick prompt, say which step it is; empty for
    // none.
    std::function<std::string(const brindle::host::PendingView&)> pickCaption;
    // Why the node named `name` cannot be picked, said when the viewport
    // missed it; empty: the viewport's own refusal is said.
    std::function<std::string(const std::wstring& name)> pickRefusal;
    // Whether Enter (an empty line) at a pick prompt does something now;
    // it is then pressed in the open window made from template
    // `enterWindow`.
    std::function<bool(const brindle::host::PendingView&)> pickEnter;
    int enterWindow = 0;
};

class LineDriver : public brindle::host::UiDriver {
public:
    LineDriver(std::FILE* in, std::FILE* out);

    void SetHints(LineDriverHints hints) { hints_ = std::move(hints); }
    // Answers the first save dialog for files of `extension` ("mnm") with
    // `path` instead of asking, as long as input has not ended (a session
    // cut short saves nothing). The chooser takes it as it takes a typed
    // name.
    void PresetSaveFile(std::wstring extension, std::wstring path) {
        presetExtension_ = std::move(extension);
        presetPath_ = std::move(path);
    }
    // Whether the person asked to leave (quit, Ctrl-C).
    bool Leaving() const { return leaving_; }

    int AnswerMessageBox(const brindle::host::MessageBoxRequest& request) override;
    std::optional<brindle::host::DialogAction> NextDialogAction(
        const brindle::host::DialogView& dialog) override;
    std::optional<std::vector<std::wstring>> ChooseFiles(
        const brindle::host::FileDialogRequest& request) override;
    std::optional<std::wstring> ChooseFolder(const std::wstring& title) override;
    std::optional<brindle::host::HostEvent> NextEvent(
        const brindle::host::PendingView& pending) override;
    void PickMissed(ULONG node) override;
    void DialogClosed(const brindle::host::DialogView& /*dialog*/, INT_PTR /*result*/) override {
        leftDialog_ = nullptr;
    }

private:
    // The next line, none at the end of input or when leaving (Ctrl-C).
    std::optional<std::string> ReadLine(const std::string& prompt);
    void Say(const std::string& text);
    // Says what `answer` (exit, help, a mistake) means where it is not an
    // answer to the prompt; quit starts leaving instead.
    void NotHere(const LineAnswer& answer);
    // The answer of one who leaves.
    std::optional<brindle::host::DialogAction> LeaveDialog(const brindle::host::DialogView& dialog);
    std::optional<brindle::host::HostEvent> LeaveEvents(const brindle::host::PendingView& pending);
    // Enter at a pick prompt, when it does something there.
    std::optional<brindle::host::HostEvent> EnterEvent(
        const brindle::host::PendingView& pending) const;
    // One path typed at a chooser; asked again while `refusal` gives a
    // reason not to take it. None when the person ends or leaves.
    std::optional<std::wstring> ReadChosenPath(
        const std::string& prompt, const std::function<std::wstring(const std::wstring&)>& refusal);
    void ShowPending(const brindle::host::PendingView& pending);
    // The event an answer typed during the host's wait means; none when it
    // means none (it was said why).
    std::optional<brindle::host::HostEvent> EventOf(const LineAnswer& answer,
                                                    const brindle::host::PendingView& pending);

    std::FILE* in_;
    std::FILE* out_;
    LineDriverHints hints_;
    std::wstring presetExtension_;
    std::wstring presetPath_;
    std::wstring lastShown_;
    bool inputEnded_ = false;
    bool leaving_ = false;
    HWND leftDialog_ = nullptr;  // the dialog last left, and how often
    int leaveTries_ = 0;
    int quitClicks_ = 0;
};
