// A user-interface driver for a person (or a script) on standard input:
// every window, question, chooser and pick is shown as text on the output,
// and one line of input answers it. At a terminal the line is edited with
// the line editor, where the build has one (Up and Down walk the lines typed
// before). The end of input ends what is open, as a script that runs out
// does, so nothing waits forever; nothing is shown or asked after it.
//
// "quit", at any prompt, leaves: from then on every question is answered
// no, every dialog is cancelled, every chooser too, and the host is handed
// no more events, so the program comes to its end. A cancel the program
// asks for (Ctrl-C, where it takes it as one) leaves the same way.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brindle/host/ui/UiDriver.h"

namespace brindle::host {

struct LineAnswer;
class LineEditor;

// Text from a file or a scene (a name, a path, a field's text) made safe to
// print: such text may hold an escape sequence that clears the screen, or a
// line feed that forges a line of the output. The program running the
// driver gives its own rule, so a name reads the same in all it prints.
using TextEscape = std::function<std::string(std::string_view)>;
// Whether a cancel was asked: the driver stops waiting for a line and
// leaves as "quit" does.
using CancelAsked = std::function<bool()>;

// What the program running the driver knows of the module's windows.
struct LineDriverHints {
    // Leaving while the window made from template `quitWindow` is open
    // clicks `quitControl` in it (the way out the window itself offers).
    int quitWindow = 0;
    int quitControl = 0;
    // A line said before each pick prompt, say which step it is; empty for
    // none.
    std::function<std::string(const PendingView&)> pickCaption;
    // Why the node named `name` cannot be picked, said when the viewport
    // missed it; empty: the viewport's own refusal is said.
    std::function<std::string(const std::wstring& name)> pickRefusal;
    // Whether Enter (an empty line) at a pick prompt does something now;
    // it is then pressed in the open window made from template
    // `enterWindow`.
    std::function<bool(const PendingView&)> pickEnter;
    int enterWindow = 0;
    // A line said instead of the pick prompt when the step needs no answer:
    // Enter is then pressed unasked (see pickEnter); empty: the person is
    // asked.
    std::function<std::string(const PendingView&)> pickUnasked;
    // A line said when the input ends at a pick prompt, say what is left
    // unanswered; empty for none. Nothing is shown or asked after it.
    std::function<std::string(const PendingView&)> inputEndsAtPick;
    // A line said before an event the person typed is carried out, say why
    // it will do nothing; empty for none.
    std::function<std::string(const HostEvent&, const PendingView&)> eventNote;
    // A line said after a message, say the cause it does not give; empty
    // for none.
    std::function<std::string(const MessageBoxRequest&)> messageNote;
};

class LineDriver : public UiDriver {
public:
    // Reads answers from `in` and shows everything on `out`, the text from
    // files and scenes through `escaped`; leaves as soon as `cancelAsked`
    // says so (none: only quit and the end of input leave).
    LineDriver(std::FILE* in, std::FILE* out, TextEscape escaped, CancelAsked cancelAsked);
    ~LineDriver() override;
    LineDriver(const LineDriver&) = delete;
    LineDriver& operator=(const LineDriver&) = delete;

    void SetHints(LineDriverHints hints) { hints_ = std::move(hints); }
    // Answers the first save dialog for files of `extension` ("mnm") with
    // `path` instead of asking, as long as input has not ended (a session
    // cut short saves nothing). The chooser takes it as it takes a typed
    // name.
    void PresetSaveFile(std::wstring extension, std::wstring path) {
        presetExtension_ = std::move(extension);
        presetPath_ = std::move(path);
    }
    // Whether the person asked to leave (quit, a cancel).
    bool Leaving() const { return leaving_; }

    int AnswerMessageBox(const MessageBoxRequest& request) override;
    std::optional<DialogAction> NextDialogAction(const DialogView& dialog) override;
    std::optional<std::vector<std::wstring>> ChooseFiles(const FileDialogRequest& request) override;
    std::optional<std::wstring> ChooseFolder(const std::wstring& title) override;
    std::optional<HostEvent> NextEvent(const PendingView& pending) override;
    void PickMissed(ULONG node) override;
    void DialogClosed(const DialogView& /*dialog*/, INT_PTR /*result*/) override {
        leftDialog_ = nullptr;
    }

private:
    // The next line, none at the end of input or when leaving (a cancel).
    std::optional<std::string> ReadLine(const std::string& prompt);
    void Say(const std::string& text);
    // Wide text from a file or a scene as UTF-8, made safe to print.
    std::string Escaped(const std::wstring& text) const;
    // Says what `answer` (exit, help, a mistake) means where it is not an
    // answer to the prompt; quit starts leaving instead.
    void NotHere(const LineAnswer& answer);
    // The answer of one who leaves.
    std::optional<DialogAction> LeaveDialog(const DialogView& dialog);
    std::optional<HostEvent> LeaveEvents(const PendingView& pending);
    // Enter at a pick prompt, when it does something there.
    std::optional<HostEvent> EnterEvent(const PendingView& pending) const;
    // Enter pressed unasked at a pick prompt whose step needs no answer,
    // with the line that says so; none when the person is asked.
    std::optional<HostEvent> UnaskedEvent(const PendingView& pending);
    // One path typed at a chooser; asked again while `refusal` gives a
    // reason not to take it. None when the person ends or leaves.
    std::optional<std::wstring> ReadChosenPath(
        const std::string& prompt, const std::function<std::wstring(const std::wstring&)>& refusal);
    void ShowPending(const PendingView& pending);
    // The nodes a click in the viewport would pick now.
    std::string PickableNodes() const;
    // The event an answer typed during the host's wait means; none when it
    // means none (it was said why).
    std::optional<HostEvent> EventOf(const LineAnswer& answer, const PendingView& pending);

    std::FILE* in_;
    std::FILE* out_;
    std::unique_ptr<LineEditor> editor_;  // at a terminal only
    TextEscape escaped_;
    CancelAsked cancelAsked_;
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

}  // namespace brindle::host
