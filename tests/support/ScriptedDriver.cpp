#include "tests/support/ScriptedDriver.h"

namespace brindle::host {

namespace {

HostEvent Event(HostEvent::Kind kind) {
    HostEvent event;
    event.kind = kind;
    return event;
}

}  // namespace

ScriptedDriver& ScriptedDriver::Click(int control) {
    steps_.push_back({Step::Kind::Action, 0, {DialogAction::Kind::Click, control, {}}, {}, {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::SetText(int control, std::wstring text) {
    steps_.push_back(
        {Step::Kind::Action, 0, {DialogAction::Kind::SetText, control, std::move(text)}, {}, {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Enter() {
    steps_.push_back({Step::Kind::Action, 0, {DialogAction::Kind::Enter, 0, {}}, {}, {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Escape() {
    steps_.push_back({Step::Kind::Action, 0, {DialogAction::Kind::Escape, 0, {}}, {}, {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Close() {
    steps_.push_back({Step::Kind::Action, 0, {DialogAction::Kind::Close, 0, {}}, {}, {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Answer(int button) {
    steps_.push_back({Step::Kind::Answer, button, {}, {}, {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Files(std::vector<std::wstring> paths) {
    steps_.push_back({Step::Kind::Files, 0, {}, std::move(paths), {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::Folder(std::wstring path) {
    steps_.push_back({Step::Kind::Folder, 0, {}, {std::move(path)}, {}});
    return *this;
}

ScriptedDriver& ScriptedDriver::ClickIn(int templateId, int control) {
    HostEvent event = Event(HostEvent::Kind::Dialog);
    event.templateId = templateId;
    event.action = {DialogAction::Kind::Click, control, {}};
    steps_.push_back({Step::Kind::Event, 0, {}, {}, event});
    return *this;
}

ScriptedDriver& ScriptedDriver::SetTextIn(int templateId, int control, std::wstring text) {
    HostEvent event = Event(HostEvent::Kind::Dialog);
    event.templateId = templateId;
    event.action = {DialogAction::Kind::SetText, control, std::move(text)};
    steps_.push_back({Step::Kind::Event, 0, {}, {}, event});
    return *this;
}

ScriptedDriver& ScriptedDriver::Pick(ULONG node) {
    HostEvent event = Event(HostEvent::Kind::Pick);
    event.node = node;
    steps_.push_back({Step::Kind::Event, 0, {}, {}, event});
    return *this;
}

ScriptedDriver& ScriptedDriver::RightClick() {
    steps_.push_back({Step::Kind::Event, 0, {}, {}, Event(HostEvent::Kind::RightClick)});
    return *this;
}

ScriptedDriver& ScriptedDriver::ExitHost() {
    steps_.push_back({Step::Kind::Event, 0, {}, {}, Event(HostEvent::Kind::ExitHost)});
    return *this;
}

int ScriptedDriver::AnswerMessageBox(const MessageBoxRequest& request) {
    messageBoxes_.push_back(request);
    // A box with only an OK button just needs to be seen.
    if ((request.type & 0xF) == MB_OK) return IDOK;
    if (!Next(Step::Kind::Answer)) return 0;
    const int answer = steps_.front().answer;
    steps_.pop_front();
    return answer;
}

std::optional<DialogAction> ScriptedDriver::NextDialogAction(const DialogView& /*dialog*/) {
    if (!Next(Step::Kind::Action)) return std::nullopt;
    DialogAction action = steps_.front().action;
    steps_.pop_front();
    return action;
}

std::optional<std::vector<std::wstring>> ScriptedDriver::ChooseFiles(
    const FileDialogRequest& request) {
    fileDialogs_.push_back(request);
    if (!Next(Step::Kind::Files)) return std::nullopt;
    std::vector<std::wstring> paths = std::move(steps_.front().paths);
    steps_.pop_front();
    return paths;
}

std::optional<std::wstring> ScriptedDriver::ChooseFolder(const std::wstring& title) {
    folderChoosers_.push_back(title);
    if (!Next(Step::Kind::Folder)) return std::nullopt;
    std::wstring path = steps_.front().paths.front();
    steps_.pop_front();
    return path;
}

std::optional<HostEvent> ScriptedDriver::NextEvent(const PendingView& pending) {
    if (!pending.waiting || !Next(Step::Kind::Event)) return std::nullopt;
    pendingViews_.push_back(pending);
    HostEvent event = steps_.front().event;
    steps_.pop_front();
    return event;
}

}  // namespace brindle::host
