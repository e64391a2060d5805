// The headless host's message queue. Pending messages are the installed
// driver's events: actions in modeless windows, viewport clicks and the
// host's closing. When nobody can act, a running pick mode ends, so a loop
// waiting for a pick always comes to an end.
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "brindle/host/ui/UiDriver.h"
#include "brindle/host/ui/UtilityHost.h"
#include "brindle/sdk/BrindleWindows.h"

namespace {

// Message numbers of the events that are not window commands.
constexpr UINT kViewportClick = WM_LBUTTONDOWN;
constexpr UINT kViewportRightClick = WM_RBUTTONDOWN;

std::optional<brindle::host::HostEvent>& Peeked() {
    static std::optional<brindle::host::HostEvent> event;
    return event;
}

}  // namespace

BOOL PeekMessageW(MSG* message, HWND /*window*/, UINT /*first*/, UINT /*last*/, UINT remove) {
    using namespace brindle::host;
    auto& peeked = Peeked();
    if (!peeked) {
        // A closed host has nobody at its windows.
        if (HostClosed()) {
            ClearPickMode();
            return FALSE;
        }
        UiDriver* driver = CurrentUiDriver();
        // Only a running pick waits for the user; otherwise nothing is pending.
        PendingView pending{ModelessWindows(), PickModeActive(), PickModeActive()};
        if (driver != nullptr) peeked = driver->NextEvent(pending);
        if (!peeked) {
            if (PickModeActive()) {
                AddUiProblem(L"nobody could pick in the viewport");
                ClearPickMode();
            }
            return FALSE;
        }
    }
    if (message != nullptr) {
        *message = MSG{};
        switch (peeked->kind) {
            case HostEvent::Kind::Dialog: message->message = WM_COMMAND; break;
            case HostEvent::Kind::Pick:
                message->message = kViewportClick;
                message->lParam = static_cast<LPARAM>(peeked->node);
                break;
            case HostEvent::Kind::RightClick: message->message = kViewportRightClick; break;
            case HostEvent::Kind::ExitHost:
                message->message = WM_CLOSE;
                message->hwnd = MainWindow();
                break;
        }
    }
    // With or without PM_REMOVE the event stays with the pump until it is
    // dispatched: peeking twice shows the same event.
    (void)remove;
    return TRUE;
}

BOOL TranslateMessage(const MSG* /*message*/) { return FALSE; }

namespace brindle::host {

void DispatchEvent(const HostEvent& event) {
    switch (event.kind) {
        case HostEvent::Kind::Dialog:
            if (!DeliverToModeless(event.templateId, event.action)) {
                AddUiProblem(L"no open window to act in");
            }
            break;
        case HostEvent::Kind::Pick:
            if (!ClickNode(event.node)) {
                if (UiDriver* driver = CurrentUiDriver()) driver->PickMissed(event.node);
            }
            break;
        case HostEvent::Kind::RightClick: RightClickViewport(); break;
        case HostEvent::Kind::ExitHost: ExitHost(); break;
    }
}

int RunEvents() {
    int count = 0;
    for (;;) {
        UiDriver* driver = CurrentUiDriver();
        if (driver == nullptr || HostClosed()) return count;
        const auto event = driver->NextEvent({ModelessWindows(), PickModeActive(), true});
        if (!event) return count;
        DispatchEvent(*event);
        ++count;
    }
}

}  // namespace brindle::host

LRESULT DispatchMessageW(const MSG* /*message*/) {
    std::optional<brindle::host::HostEvent> event;
    event.swap(Peeked());
    if (event) brindle::host::DispatchEvent(*event);
    return 0;
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

