// The headless host's message queue and common file dialogs. Pending
// messages are the installed driver's events: actions in modeless windows,
// viewport clicks and the host's closing. When nobody can act, a running
// pick mode ends, so a loop waiting for a pick always comes to an end.
#include <algorithm>
#include <chrono>
#include <cwchar>
#include <optional>
#include <thread>
#include <vector>

#include "brindle/host/UiDriver.h"
#include "brindle/host/scene/UtilityHost.h"
#include "brindle/sdk/BrindleWindows.h"

namespace {

// Message numbers of the events that are not window commands.
constexpr UINT kViewportClick = WM_LBUTTONDOWN;
constexpr UINT kViewportRightClick = WM_RBUTTONDOWN;

std::optional<brindle::host::HostEvent>& Peeked() {
    static std::optional<brindle::host::HostEvent> event;
    return event;
}

// The filter text "Name (*.X)" + null + "*.x" + null + null as "Name (*.X)|*.x".
std::wstring FilterText(const wchar_t* filter) {
    std::wstring text;
    if (filter == nullptr) return text;
    for (const wchar_t* part = filter; *part != L'\0'; part += std::wcslen(part) + 1) {
        if (!text.empty()) text += L'|';
        text += part;
    }
    return text;
}

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

std::size_t NameStart(const std::wstring& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return i;
    }
    return 0;
}

BOOL RunFileDialog(OPENFILENAMEW* request, bool save) {
    using namespace brindle::host;
    if (request == nullptr || request->lpstrFile == nullptr || request->nMaxFile == 0) return FALSE;
    FileDialogRequest shown;
    shown.save = save;
    shown.multiple = (request->Flags & OFN_ALLOWMULTISELECT) != 0;
    shown.mustExist = (request->Flags & OFN_FILEMUSTEXIST) != 0;
    shown.overwritePrompt = (request->Flags & OFN_OVERWRITEPROMPT) != 0;
    shown.title = request->lpstrTitle != nullptr ? request->lpstrTitle : L"";
    shown.filter = FilterText(request->lpstrFilter);
    shown.defaultExtension = request->lpstrDefExt != nullptr ? request->lpstrDefExt : L"";
    shown.initialFolder = request->lpstrInitialDir != nullptr ? request->lpstrInitialDir : L"";
    UiDriver* driver = CurrentUiDriver();
    if (driver == nullptr) return FALSE;
    const auto chosen = driver->ChooseFiles(shown);
    if (!chosen || chosen->empty()) return FALSE;
    // A chooser answers with folders: a bare name is in the current one.
    std::vector<std::wstring> paths;
    for (const std::wstring& path : *chosen) paths.push_back(NameStart(path) == 0 ? L"./" + path : path);
    std::wstring buffer;
    std::size_t offset = 0;
    if (paths.size() == 1 || !shown.multiple) {
        // One file: its full path; the name starts after the last separator.
        buffer = paths.front();
        offset = NameStart(buffer);
        buffer += L'\0';
    } else {
        // Several: the folder they share, then each path below it (a name
        // when they share their folder).
        std::wstring folder = paths.front().substr(0, NameStart(paths.front()) - 1);
        auto below = [&folder](const std::wstring& path) {
            return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
                   IsSeparator(path[folder.size()]);
        };
        while (!folder.empty() && !std::all_of(paths.begin(), paths.end(), below)) {
            const std::size_t start = NameStart(folder);
            folder = folder.substr(0, start > 0 ? start - 1 : 0);
        }
        if (folder.empty() && !IsSeparator(paths.front().front())) folder = L".";
        buffer = folder;
        buffer += L'\0';
        offset = buffer.size();
        for (const std::wstring& path : paths) {
            buffer += folder == L"." && !below(path) ? path : path.substr(folder.size() + 1);
            buffer += L'\0';
        }
    }
    buffer += L'\0';
    if (buffer.size() > request->nMaxFile || offset > 0xFFFF) {
        AddUiProblem(L"the chosen files do not fit the file dialog's buffer");
        return FALSE;
    }
    std::copy(buffer.begin(), buffer.end(), request->lpstrFile);
    request->nFileOffset = static_cast<WORD>(offset);
    request->nFileExtension = 0;
    return TRUE;
}

}  // namespace

BOOL PeekMessageW(MSG* message, HWND /*window*/, UINT /*first*/, UINT /*last*/, UINT remove) {
    using namespace brindle::host;
    auto& peeked = Peeked();
    if (!peeked) {
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
        if (driver == nullptr) return count;
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

BOOL GetOpenFileNameW(OPENFILENAMEW* request) { return RunFileDialog(request, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* request) { return RunFileDialog(request, true); }
