#include "tests/support/ScriptedDriver.h"

namespace brindle::host {

namespace {

HostEvent Event(HostEvent::Kind kind, int templateId = 0, DialogAction action = {}) {
    HostEvent event;
    event.kind = kind;
    event.templateId = templateId;
    event.action = std::move(action);
    return event;
}

HostEvent DialogEvent(int templateId, DialogAction::Kind kind, int control = 0, std::wstring text = {}) {
    return Event(HostEvent::Kind::Dialog, templateId, {kind, control, std::move(text)});
}

}  // namespace

ScriptedDriver& ScriptedDriver::ClickIn(int templateId, int control) {
    return PushEvent(DialogEvent(templateId, DialogAction::Kind::Click, control));
}
ScriptedDriver& ScriptedDriver::SetTextIn(int templateId, int control, std::wstring text) {
    return PushEvent(DialogEvent(templateId, DialogAction::Kind::SetText, control, std::move(text)));
}
ScriptedDriver& ScriptedDriver::EnterIn(int templateId) {
    return PushEvent(DialogEvent(templateId, DialogAction::Kind::Enter));
}
ScriptedDriver& ScriptedDriver::Pick(ULONG node) {
    HostEvent event = Event(HostEvent::Kind::Pick);
    event.node = node;
    return PushEvent(event);
}
ScriptedDriver& ScriptedDriver::RightClick() { return PushEvent(Event(HostEvent::Kind::RightClick)); }
ScriptedDriver& ScriptedDriver::ExitHost() { return PushEvent(Event(HostEvent::Kind::ExitHost)); }

int ScriptedDriver::AnswerMessageBox(const MessageBoxRequest& request) {
    messageBoxes_.push_back(request);
    // A box with only an OK button just needs to be seen.
    if ((request.type & 0xF) == MB_OK) return IDOK;
    if (!Next(Step::Kind::Answer)) return 0;
    return Take().answer;
}

std::optional<DialogAction> ScriptedDriver::NextDialogAction(const DialogView& /*dialog*/) {
    if (!Next(Step::Kind::Action)) return std::nullopt;
    return Take().action;
}

std::optional<std::vector<std::wstring>> ScriptedDriver::ChooseFiles(const FileDialogRequest& request) {
    fileDialogs_.push_back(request);
    if (!Next(Step::Kind::Files)) return std::nullopt;
    return Take().paths;
}

std::optional<std::wstring> ScriptedDriver::ChooseFolder(const std::wstring& /*title*/) {
    if (!Next(Step::Kind::Folder)) return std::nullopt;
    return Take().paths.front();
}

std::optional<HostEvent> ScriptedDriver::NextEvent(const PendingView& pending) {
    if (!pending.waiting || !Next(Step::Kind::Event)) return std::nullopt;
    return Take().event;
}

}  // namespace brindle::host
