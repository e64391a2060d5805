#include "cli/LineDriver.h"

#include <cctype>

#include <unistd.h>

#include "brindle/host/scene/Scene.h"
#include "brindle/sdk/TextCodec.h"
#include "cli/LineAnswers.h"
#include "cli/SafeText.h"

using brindle::host::ControlView;
using brindle::host::DialogAction;
using brindle::host::DialogView;
using brindle::host::HostEvent;

namespace {

std::string Utf8(const std::wstring& text) { return TextCodec::EncodeUtf8(text); }

// A control's label without the mnemonic marks, for matching and showing.
std::string Label(const ControlView& control) {
    std::string label;
    for (char c : Utf8(control.text)) {
        if (c != '&') label += c;
    }
    return label;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The control a person names by id or label, or 0.
int FindControl(const DialogView& dialog, const std::string& target) {
    for (const ControlView& control : dialog.controls) {
        if (control.id > 0 && std::to_string(control.id) == target) return control.id;
    }
    for (const ControlView& control : dialog.controls) {
        if (control.id > 0 && !control.text.empty() && SameText(Label(control), target)) {
            return control.id;
        }
    }
    return 0;
}

const char* KindText(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return "label";
        case ControlKind::Bitmap: return "picture";
        case ControlKind::Button: return "button";
        case ControlKind::DefaultButton: return "default button";
        case ControlKind::CheckBox: return "check box";
        case ControlKind::RadioButton: return "radio button";
        case ControlKind::Edit: return "edit";
        case ControlKind::ReadOnlyEdit: return "read-only";
        case ControlKind::GroupBox: return "group";
        case ControlKind::CustomEdit: return "number";
    }
    return "control";
}

constexpr const char* kHelp =
    "answers: click ID|LABEL, type ID TEXT, enter, escape, close, pick NODE|#HANDLE,\n"
    "right-click, exit (close the host), quit; y or n for questions; a path for\n"
    "file and folder choosers (an empty line cancels)\n";

}  // namespace

void LineDriver::Say(const std::string& text) {
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

std::optional<std::string> LineDriver::ReadLine(const std::string& prompt) {
    Say(prompt);
    std::string line;
    bool ended = true;
    for (int c = std::fgetc(in_); c != EOF; c = std::fgetc(in_)) {
        if (c == '\n') {
            ended = false;
            break;
        }
        line += static_cast<char>(c);
    }
    if (ended && line.empty()) {
        inputEnded_ = true;
        Say("\n");
        return std::nullopt;
    }
    // A script's answers are not echoed by a terminal: show them, so that
    // the transcript reads as a session.
    if (isatty(fileno(in_)) == 0) Say(line + "\n");
    return line;
}

void LineDriver::Show(const DialogView& dialog) {
    std::string text = "[" + Utf8(dialog.title) + "]\n";
    for (const ControlView& control : dialog.controls) {
        if (control.kind == ControlKind::Bitmap) continue;
        text += "  ";
        if (control.id > 0) text += std::to_string(control.id) + " ";
        text += KindText(control.kind);
        switch (control.kind) {
            case ControlKind::CheckBox:
            case ControlKind::RadioButton: text += control.checked ? " [x] " : " [ ] "; break;
            default: text += " "; break;
        }
        if (control.kind == ControlKind::Edit || control.kind == ControlKind::ReadOnlyEdit ||
            control.kind == ControlKind::CustomEdit) {
            text += "\"" + Escaped(Utf8(control.text)) + "\"";
        } else {
            text += Label(control);
        }
        if (!control.enabled) text += " (disabled)";
        text += "\n";
    }
    Say(text);
}

void LineDriver::ShowPickable() {
    std::string text = "pickable nodes:";
    for (brindle::host::SceneNode* node : brindle::host::Scene::Current().Nodes()) {
        text += " " + EscapedName(node->GetName());
    }
    Say(text + "\n");
}

int LineDriver::AnswerMessageBox(const brindle::host::MessageBoxRequest& request) {
    const std::string shown = Escaped(Utf8(request.caption)) + ": " + Escaped(Utf8(request.text));
    if ((request.type & 0xF) == MB_OK) {
        Say(shown + "\n");
        return IDOK;
    }
    for (;;) {
        const auto line = ReadLine(shown + " [y/n] ");
        if (!line) return 0;
        const LineAnswer answer = ParseLineAnswer(*line);
        if (answer.kind == LineAnswer::Kind::Yes) return IDYES;
        if (answer.kind == LineAnswer::Kind::No) return IDNO;
        Say("answer y or n\n");
    }
}

std::optional<DialogAction> LineDriver::NextDialogAction(const DialogView& dialog) {
    Show(dialog);
    for (;;) {
        const auto line = ReadLine("> ");
        if (!line) return std::nullopt;
        const LineAnswer answer = ParseLineAnswer(*line);
        switch (answer.kind) {
            case LineAnswer::Kind::Click:
            case LineAnswer::Kind::Type: {
                const int id = FindControl(dialog, answer.target);
                if (id == 0) {
                    Say("no control " + answer.target + "\n");
                    continue;
                }
                if (answer.kind == LineAnswer::Kind::Click) {
                    return DialogAction{DialogAction::Kind::Click, id, {}};
                }
                return DialogAction{DialogAction::Kind::SetText, id,
                                    TextCodec::DecodeUtf8(answer.text)};
            }
            case LineAnswer::Kind::Enter: return DialogAction{DialogAction::Kind::Enter, 0, {}};
            case LineAnswer::Kind::Escape: return DialogAction{DialogAction::Kind::Escape, 0, {}};
            case LineAnswer::Kind::Close: return DialogAction{DialogAction::Kind::Close, 0, {}};
            case LineAnswer::Kind::Empty: continue;
            default: Say(kHelp); continue;
        }
    }
}

std::optional<std::vector<std::wstring>> LineDriver::ChooseFiles(
    const brindle::host::FileDialogRequest& request) {
    if (request.save && !presetPath_.empty() && request.title == presetTitle_) {
        if (inputEnded_) return std::nullopt;
        Say(Utf8(request.title) + " " + Utf8(presetPath_) + "\n");
        return std::vector<std::wstring>{presetPath_};
    }
    const std::string prompt = Utf8(request.title) + " (" + Utf8(request.filter) + ")" +
                               (request.multiple ? ", one path a line, an empty line ends" : "") +
                               ": ";
    std::vector<std::wstring> paths;
    for (;;) {
        const auto line = ReadLine(paths.empty() ? prompt : "... ");
        const LineAnswer answer = ParseLineAnswer(line.value_or(""));
        if (!line || answer.kind == LineAnswer::Kind::Empty) break;
        paths.push_back(TextCodec::DecodeUtf8(answer.kind == LineAnswer::Kind::Text ? answer.target
                                                                                   : *line));
        if (!request.multiple) break;
    }
    if (paths.empty()) return std::nullopt;
    return paths;
}

std::optional<std::wstring> LineDriver::ChooseFolder(const std::wstring& title) {
    const auto line = ReadLine(Utf8(title) + ": ");
    if (!line) return std::nullopt;
    const LineAnswer answer = ParseLineAnswer(*line);
    if (answer.kind == LineAnswer::Kind::Empty) return std::nullopt;
    return TextCodec::DecodeUtf8(answer.kind == LineAnswer::Kind::Text ? answer.target : *line);
}

std::optional<HostEvent> LineDriver::NextEvent(const brindle::host::PendingView& pending) {
    if (!pending.waiting) return std::nullopt;
    // Show the newest window when it changed since it was last shown.
    if (!pending.windows.empty()) {
        const DialogView& newest = pending.windows.back();
        std::wstring key = newest.title;
        for (const ControlView& control : newest.controls) {
            key += control.text + (control.checked ? L"1" : L"0") + (control.enabled ? L"1" : L"0");
        }
        if (key != lastShown_) {
            Show(newest);
            lastShown_ = key;
        }
    }
    if (pending.picking) ShowPickable();
    for (;;) {
        const auto line = ReadLine(pending.picking ? "pick> " : "> ");
        if (!line) return std::nullopt;
        const LineAnswer answer = ParseLineAnswer(*line);
        HostEvent event;
        switch (answer.kind) {
            case LineAnswer::Kind::Click:
            case LineAnswer::Kind::Type: {
                // The newest window with such a control takes the action.
                for (auto it = pending.windows.rbegin(); it != pending.windows.rend(); ++it) {
                    const int id = FindControl(*it, answer.target);
                    if (id == 0) continue;
                    event.kind = HostEvent::Kind::Dialog;
                    event.templateId = it->templateId;
                    event.action = answer.kind == LineAnswer::Kind::Click
                                       ? DialogAction{DialogAction::Kind::Click, id, {}}
                                       : DialogAction{DialogAction::Kind::SetText, id,
                                                      TextCodec::DecodeUtf8(answer.text)};
                    return event;
                }
                Say("no control " + answer.target + "\n");
                continue;
            }
            case LineAnswer::Kind::Pick: {
                if (!pending.picking) {
                    Say("nothing asks for a pick\n");
                    continue;
                }
                brindle::host::SceneNode* node = nullptr;
                auto& scene = brindle::host::Scene::Current();
                if (answer.target.size() > 1 && answer.target[0] == '#') {
                    try {
                        node = scene.FindByHandle(static_cast<ULONG>(std::stoul(answer.target.substr(1))));
                    } catch (const std::exception&) {
                        node = nullptr;
                    }
                } else {
                    node = scene.FindByName(TextCodec::DecodeUtf8(answer.target));
                }
                if (node == nullptr) {
                    Say("no node " + answer.target + "\n");
                    continue;
                }
                event.kind = HostEvent::Kind::Pick;
                event.node = node->GetHandle();
                return event;
            }
            case LineAnswer::Kind::RightClick:
                event.kind = HostEvent::Kind::RightClick;
                return event;
            case LineAnswer::Kind::Exit:
                event.kind = HostEvent::Kind::ExitHost;
                return event;
            case LineAnswer::Kind::Quit: return std::nullopt;
            case LineAnswer::Kind::Empty: continue;
            default: Say(kHelp); continue;
        }
    }
}

void LineDriver::PickMissed(ULONG node) {
    brindle::host::SceneNode* found = brindle::host::Scene::Current().FindByHandle(node);
    Say("the viewport cannot pick " +
        (found != nullptr ? EscapedName(found->GetName()) : std::string("that")) + "\n");
}
