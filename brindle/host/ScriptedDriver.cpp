#include "brindle/host/ScriptedDriver.h"

namespace brindle::host {

ScriptedDriver& ScriptedDriver::Click(int control) {
    steps_.push_back({false, 0, {DialogAction::Kind::Click, control, {}}});
    return *this;
}

ScriptedDriver& ScriptedDriver::SetText(int control, std::wstring text) {
    steps_.push_back({false, 0, {DialogAction::Kind::SetText, control, std::move(text)}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Enter() {
    steps_.push_back({false, 0, {DialogAction::Kind::Enter, 0, {}}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Escape() {
    steps_.push_back({false, 0, {DialogAction::Kind::Escape, 0, {}}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Close() {
    steps_.push_back({false, 0, {DialogAction::Kind::Close, 0, {}}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Answer(int button) {
    steps_.push_back({true, button, {}});
    return *this;
}

int ScriptedDriver::AnswerMessageBox(const MessageBoxRequest& request) {
    messageBoxes_.push_back(request);
    // A box with only an OK button just needs to be seen.
    if ((request.type & 0xF) == MB_OK) return IDOK;
    if (steps_.empty() || !steps_.front().isAnswer) return 0;
    const int answer = steps_.front().answer;
    steps_.pop_front();
    return answer;
}

std::optional<DialogAction> ScriptedDriver::NextDialogAction(const DialogView& /*dialog*/) {
    if (steps_.empty() || steps_.front().isAnswer) return std::nullopt;
    DialogAction action = steps_.front().action;
    steps_.pop_front();
    return action;
}

}  // namespace brindle::host
