// The line driver while the host waits for the person: actions in the open
// modeless windows (the panel, the creator's dialog), picks in the
// viewport, closing the host.
#include <exception>

#include "brindle/host/scene/Scene.h"
#include "brindle/host/ui/LineDriver.h"
#include "brindle/host/ui/UtilityHost.h"
#include "brindle/sdk/TextCodec.h"
#include "ui/LineAnswers.h"
#include "ui/LineView.h"

namespace brindle::host {
namespace {

// Clicks a leaving driver makes in a window's way out before it lets the
// wait end without one: a window that stays open cannot keep it forever.
constexpr int kMostQuitClicks = 3;

// The node a person names: "#" and a handle, or a name.
SceneNode* NamedNode(const std::string& target) {
    auto& scene = Scene::Current();
    if (target.size() > 1 && target[0] == '#') {
        try {
            return scene.FindByHandle(static_cast<ULONG>(std::stoul(target.substr(1))));
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    return scene.FindByName(TextCodec::DecodeUtf8(target));
}

}  // namespace

std::string LineDriver::PickableNodes() const {
    std::string text = "pickable nodes:";
    for (SceneNode* node : Scene::Current().Nodes()) {
        if (PickModeAccepts(node)) text += " " + Escaped(node->GetName());
    }
    return text + "\n";
}

void LineDriver::ShowPending(const PendingView& pending) {
    // The newest window, when it changed since it was last shown.
    if (!pending.windows.empty()) {
        const DialogView& newest = pending.windows.back();
        std::wstring state = DialogState(newest);
        if (state != lastShown_) {
            Say(DialogText(newest, escaped_));
            lastShown_ = std::move(state);
        }
    }
    if (!pending.picking) return;
    if (hints_.pickCaption) {
        const std::string caption = hints_.pickCaption(pending);
        if (!caption.empty()) Say(caption + "\n");
    }
    Say(PickableNodes());
}

std::optional<HostEvent> LineDriver::NextEvent(const PendingView& pending) {
    if (!pending.waiting) return std::nullopt;
    if (leaving_) return LeaveEvents(pending);
    // Once the input ended the rest of a walk is not shown step by step.
    if (inputEnded_) return std::nullopt;
    if (auto event = UnaskedEvent(pending)) return event;
    ShowPending(pending);
    for (;;) {
        const auto line = ReadLine(pending.picking ? "pick> " : "> ");
        if (!line) {
            if (leaving_) return LeaveEvents(pending);
            if (pending.picking && hints_.inputEndsAtPick) {
                const std::string note = hints_.inputEndsAtPick(pending);
                if (!note.empty()) Say(note + "\n");
            }
            return std::nullopt;
        }
        const LineAnswer answer = ParseLineAnswer(*line);
        if (answer.kind == LineAnswer::Kind::Quit) {
            leaving_ = true;
            return LeaveEvents(pending);
        }
        if (answer.kind == LineAnswer::Kind::Empty || answer.kind == LineAnswer::Kind::Enter) {
            if (auto event = EnterEvent(pending)) return event;
            if (answer.kind == LineAnswer::Kind::Empty) continue;
        }
        if (auto event = EventOf(answer, pending)) {
            if (hints_.eventNote) {
                const std::string note = hints_.eventNote(*event, pending);
                if (!note.empty()) Say(note + "\n");
            }
            return event;
        }
    }
}

std::optional<HostEvent> LineDriver::UnaskedEvent(const PendingView& pending) {
    if (!pending.picking || !hints_.pickUnasked) return std::nullopt;
    const std::string note = hints_.pickUnasked(pending);
    if (note.empty()) return std::nullopt;
    auto event = EnterEvent(pending);
    if (event) Say(note + "\n");
    return event;
}

std::optional<HostEvent> LineDriver::EventOf(const LineAnswer& answer, const PendingView& pending) {
    HostEvent event;
    switch (answer.kind) {
        case LineAnswer::Kind::Click:
        case LineAnswer::Kind::Type:
            // The newest window with such a control takes the action.
            for (auto it = pending.windows.rbegin(); it != pending.windows.rend(); ++it) {
                const int id = FindControl(*it, answer.target);
                if (id == 0) continue;
                if (answer.kind == LineAnswer::Kind::Type) {
                    const std::string refused =
                        TypingRefused(*it, id, TextCodec::DecodeUtf8(answer.text));
                    if (!refused.empty()) {
                        Say(refused);
                        return std::nullopt;
                    }
                }
                event.kind = HostEvent::Kind::Dialog;
                event.templateId = it->templateId;
                event.action = answer.kind == LineAnswer::Kind::Click
                                   ? DialogAction{DialogAction::Kind::Click, id, {}}
                                   : DialogAction{DialogAction::Kind::SetText, id,
                                                  TextCodec::DecodeUtf8(answer.text)};
                return event;
            }
            Say("no control " + answer.target + "\n");
            return std::nullopt;
        case LineAnswer::Kind::Pick: {
            if (!pending.picking) {
                Say("nothing asks for a pick\n");
                return std::nullopt;
            }
            SceneNode* node = NamedNode(answer.target);
            if (node == nullptr) {
                Say("no node " + answer.target + "\n");
                return std::nullopt;
            }
            event.kind = HostEvent::Kind::Pick;
            event.node = node->GetHandle();
            return event;
        }
        case LineAnswer::Kind::RightClick: event.kind = HostEvent::Kind::RightClick; return event;
        case LineAnswer::Kind::Exit: event.kind = HostEvent::Kind::ExitHost; return event;
        default: NotHere(answer); return std::nullopt;
    }
}

std::optional<HostEvent> LineDriver::EnterEvent(const PendingView& pending) const {
    if (!pending.picking || !hints_.pickEnter || !hints_.pickEnter(pending)) return std::nullopt;
    for (const DialogView& window : pending.windows) {
        if (window.templateId != hints_.enterWindow) continue;
        HostEvent event;
        event.kind = HostEvent::Kind::Dialog;
        event.templateId = window.templateId;
        event.action = DialogAction{DialogAction::Kind::Enter, 0, {}};
        return event;
    }
    return std::nullopt;
}

std::optional<HostEvent> LineDriver::LeaveEvents(const PendingView& pending) {
    if (hints_.quitWindow == 0 || quitClicks_ >= kMostQuitClicks) return std::nullopt;
    for (const DialogView& window : pending.windows) {
        if (window.templateId != hints_.quitWindow) continue;
        ++quitClicks_;
        HostEvent event;
        event.kind = HostEvent::Kind::Dialog;
        event.templateId = window.templateId;
        event.action = DialogAction{DialogAction::Kind::Click, hints_.quitControl, {}};
        return event;
    }
    return std::nullopt;
}

void LineDriver::PickMissed(ULONG node) {
    SceneNode* found = Scene::Current().FindByHandle(node);
    if (found == nullptr) {
        Say("the viewport cannot pick that\n");
        return;
    }
    const std::string why =
        hints_.pickRefusal ? hints_.pickRefusal(found->GetName()) : std::string();
    const std::string name = Escaped(found->GetName());
    Say(why.empty() ? "the viewport cannot pick " + name + "\n"
                    : name + " cannot be picked: " + why + "\n");
}

}  // namespace brindle::host
