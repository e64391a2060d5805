// A user-interface driver that plays a fixed script and keeps a transcript:
// what tests use to act in dialogs and answer questions.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "brindle/host/ui/UiDriver.h"

namespace brindle::host {

class ScriptedDriver : public UiDriver {
public:
    // Steps, played in order. Message boxes with only an OK button need no
    // step (they are acknowledged and recorded); a question takes the next
    // Answer step, and with none left it is a problem, answered 0.
    ScriptedDriver& Click(int control) { return Act(DialogAction::Kind::Click, control); }
    ScriptedDriver& SetText(int control, std::wstring text) {
        return Act(DialogAction::Kind::SetText, control, std::move(text));
    }
    ScriptedDriver& Enter() { return Act(DialogAction::Kind::Enter); }
    ScriptedDriver& Escape() { return Act(DialogAction::Kind::Escape); }
    ScriptedDriver& Close() { return Act(DialogAction::Kind::Close); }
    ScriptedDriver& Answer(int button) { return Push({Step::Kind::Answer, button, {}, {}, {}}); }
    // The files a file dialog returns; an empty list cancels it.
    ScriptedDriver& Files(std::vector<std::wstring> paths) {
        return Push({Step::Kind::Files, 0, {}, std::move(paths), {}});
    }
    // The folder the folder chooser returns; an empty one cancels it.
    ScriptedDriver& Folder(std::wstring path) {
        return Push({Step::Kind::Folder, 0, {}, {std::move(path)}, {}});
    }
    // Events while the host pumps messages: a click or typing in the open
    // modeless window made from `templateId`, a click on a node in the
    // viewport, a right click there, closing the host.
    ScriptedDriver& ClickIn(int templateId, int control);
    ScriptedDriver& SetTextIn(int templateId, int control, std::wstring text);
    ScriptedDriver& EnterIn(int templateId);
    ScriptedDriver& Pick(ULONG node);
    ScriptedDriver& RightClick();
    ScriptedDriver& ExitHost();

    const std::vector<FileDialogRequest>& FileDialogs() const { return fileDialogs_; }
    const std::vector<MessageBoxRequest>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<DialogView>& OpenedDialogs() const { return openedDialogs_; }
    bool Finished() const { return steps_.empty(); }

    int AnswerMessageBox(const MessageBoxRequest& request) override;
    std::optional<DialogAction> NextDialogAction(const DialogView& dialog) override;
    void DialogOpened(const DialogView& dialog) override { openedDialogs_.push_back(dialog); }
    std::optional<std::vector<std::wstring>> ChooseFiles(const FileDialogRequest& request) override;
    std::optional<std::wstring> ChooseFolder(const std::wstring& title) override;
    std::optional<HostEvent> NextEvent(const PendingView& pending) override;

private:
    struct Step {
        enum class Kind { Answer, Action, Files, Folder, Event };
        Kind kind;
        int answer = 0;
        DialogAction action;
        std::vector<std::wstring> paths;
        HostEvent event;
    };
    bool Next(Step::Kind kind) const { return !steps_.empty() && steps_.front().kind == kind; }
    Step Take() {
        Step step = std::move(steps_.front());
        steps_.pop_front();
        return step;
    }
    ScriptedDriver& Push(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    ScriptedDriver& Act(DialogAction::Kind kind, int control = 0, std::wstring text = {}) {
        return Push({Step::Kind::Action, 0, {kind, control, std::move(text)}, {}, {}});
    }
    ScriptedDriver& PushEvent(HostEvent event) {
        return Push({Step::Kind::Event, 0, {}, {}, std::move(event)});
    }

    std::deque<Step> steps_;
    std::vector<MessageBoxRequest> messageBoxes_;
    std::vector<DialogView> openedDialogs_;
    std::vector<FileDialogRequest> fileDialogs_;
};

}  // namespace brindle::host
