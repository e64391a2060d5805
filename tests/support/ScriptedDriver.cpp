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

}  // namespace

ScriptedDriver& ScriptedDriver::ClickIn(int templateId, int control) {
    const DialogAction click{DialogAction::Kind::Click, control, {}};
    return Push({Step::Kind::Event, 0, {}, {}, Event(HostEvent::Kind::Dialog, templateId, click)});
}
ScriptedDriver& ScriptedDriver::SetTextIn(int templateId, int control, std::wstring text) {
    return Push({Step::Kind::Event, 0, {}, {},
                 Event(HostEvent::Kind::Dialog, templateId,
                       {DialogAction::Kind::SetText, control, std::move(text)})});
}
ScriptedDriver& ScriptedDriver::EnterIn(int templateId) {
    return Push({Step::Kind::Event, 0, {}, {},
                 Event(HostEvent::Kind::Dialog, templateId, {DialogAction::Kind::Enter, 0, {}})});
}
ScriptedDriver& ScriptedDriver::Pick(ULONG node) {
    HostEvent event = Event(HostEvent::Kind::Pick);
    event.node = node;
    return Push({Step::Kind::Event, 0, {}, {}, event});
}
ScriptedDriver& ScriptedDriver::RightClick() {
    return Push({Step::Kind::Event, 0, {}, {}, Event(HostEvent::Kind::RightClick)});
}
ScriptedDriver& ScriptedDriver::ExitHost() {
    return Push({Step::Kind::Event, 0, {}, {}, Event(HostEvent::Kind::ExitHost)});
}

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

std::optional<std::vector<std::wstring>> ScriptedDriver::ChooseFiles(
    const FileDialogRequest& request) {
    fileDialogs_.push_back(request);
    if (!Next(Step::Kind::Files)) return std::nullopt;
    return Take().paths;
}

std::optional<std::wstring> ScriptedDriver::ChooseFolder(const std::wstring& title) {
    folderChoosers_.push_back(title);
    if (!Next(Step::Kind::Folder)) return std::nullopt;
    return Take().paths.front();
}

std::optional<HostEvent> ScriptedDriver::NextEvent(const PendingView& pending) {
    if (!pending.waiting || !Next(Step::Kind::Event)) return std::nullopt;
    pendingViews_.push_back(pending);
    return Take().event;
}

}  // namespace brindle::host
