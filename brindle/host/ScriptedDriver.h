// A user-interface driver that plays a fixed script and keeps a transcript:
// what tests use to act in dialogs and answer questions.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "brindle/host/UiDriver.h"

namespace brindle::host {

class ScriptedDriver : public UiDriver {
public:
    // Steps, played in order. Message boxes with only an OK button need no
    // step (they are acknowledged and recorded); a question takes the next
    // Answer step, and with none left it is a problem, answered 0.
    ScriptedDriver& Click(int control);
    ScriptedDriver& SetText(int control, std::wstring text);
    ScriptedDriver& Enter();
    ScriptedDriver& Escape();
    ScriptedDriver& Close();
    ScriptedDriver& Answer(int button);

    const std::vector<MessageBoxRequest>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<DialogView>& OpenedDialogs() const { return openedDialogs_; }
    bool Finished() const { return steps_.empty(); }

    int AnswerMessageBox(const MessageBoxRequest& request) override;
    std::optional<DialogAction> NextDialogAction(const DialogView& dialog) override;
    void DialogOpened(const DialogView& dialog) override { openedDialogs_.push_back(dialog); }

private:
    struct Step {
        bool isAnswer;
        int answer;
        DialogAction action;
    };

    std::deque<Step> steps_;
    std::vector<MessageBoxRequest> messageBoxes_;
    std::vector<DialogView> openedDialogs_;
};

}  // namespace brindle::host
