#include "brindle/host/ui/UtilityHost.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "brindle/host/ui/FileChooser.h"
#include "brindle/host/ui/UiDriver.h"
#include "brindle/host/scene/HostInterface.h"
#include "brindle/host/scene/Scene.h"

namespace brindle::host {
namespace {

struct UtilityState {
    std::vector<HWND> pages;
    PickModeCallback* pickMode = nullptr;
    std::vector<ExitBRINDLECallback*> exitCallbacks;
    bool closed = false;
    int redraws = 0;
};

UtilityState& State() {
    static UtilityState state;
    return state;
}

// The one viewport of the headless host: it remembers what its last hit
// test found.
class HeadlessViewport : public ViewExp {
public:
    INode* GetClosestHit() override { return hit; }
    INode* hit = nullptr;
};

HeadlessViewport& Viewport() {
    static HeadlessViewport viewport;
    return viewport;
}

// The viewport's window handle: nothing else answers to it.
HWND ViewportWindow() { return reinterpret_cast<HWND>(&Viewport()); }

}  // namespace

HWND AddRollupPage(const DialogTemplate* dialog, DLGPROC procedure, const wchar_t* /*title*/,
                   LPARAM param) {
    HWND page = CreateDialogParamW(nullptr, dialog, MainWindow(), procedure, param);
    if (page != nullptr) {
        State().pages.push_back(page);
        ShowWindow(page, SW_SHOW);
    }
    return page;
}

void DeleteRollupPage(HWND page) {
    auto& pages = State().pages;
    const auto found = std::find(pages.begin(), pages.end(), page);
    if (found == pages.end()) return;
    pages.erase(found);
    DestroyWindow(page);
}

std::vector<HWND> RollupPages() { return State().pages; }

void SetPickMode(PickModeCallback* mode) {
    ClearPickMode();
    if (mode == nullptr || State().closed) return;
    State().pickMode = mode;
    mode->EnterMode(&HostInterface());
}

void ClearPickMode() {
    PickModeCallback* mode = State().pickMode;
    if (mode == nullptr) return;
    State().pickMode = nullptr;
    Viewport().hit = nullptr;
    mode->ExitMode(&HostInterface());
}

bool PickModeActive() { return State().pickMode != nullptr; }

bool PickModeAccepts(INode* node) {
    PickModeCallback* mode = State().pickMode;
    if (mode == nullptr || node == nullptr || node->IsRootNode()) return false;
    PickNodeCallback* filter = mode->GetFilter();
    return filter == nullptr || filter->Filter(node) != FALSE;
}

INode* PickNode(HWND /*viewport*/, IPoint2 point, PickNodeCallback* filter) {
    INode* node = Scene::Current().FindByHandle(static_cast<ULONG>(point.x));
    if (node == nullptr || node->IsRootNode()) node = nullptr;
    if (node != nullptr && filter != nullptr && !filter->Filter(node)) node = nullptr;
    Viewport().hit = node;
    return node;
}

bool ClickNode(ULONG handle) {
    PickModeCallback* mode = State().pickMode;
    if (mode == nullptr) return false;
    Viewport().hit = nullptr;
    const IPoint2 point{static_cast<int>(handle), 0};
    if (!mode->HitTest(&HostInterface(), ViewportWindow(), &Viewport(), point, 0)) return false;
    if (mode->Pick(&HostInterface(), &Viewport()) && State().pickMode == mode) ClearPickMode();
    return true;
}

void RightClickViewport() {
    PickModeCallback* mode = State().pickMode;
    if (mode == nullptr) return;
    if (mode->RightClick(&HostInterface(), &Viewport()) && State().pickMode == mode) {
        ClearPickMode();
    }
}

void RegisterExitCallback(ExitBRINDLECallback* callback) {
    auto& callbacks = State().exitCallbacks;
    if (callback != nullptr && std::find(callbacks.begin(), callbacks.end(), callback) == callbacks.end()) {
        callbacks.push_back(callback);
    }
}

void UnRegisterExitCallback(ExitBRINDLECallback* callback) {
    auto& callbacks = State().exitCallbacks;
    callbacks.erase(std::remove(callbacks.begin(), callbacks.end(), callback), callbacks.end());
}

std::size_t ExitCallbackCount() { return State().exitCallbacks.size(); }

bool ExitHost() {
    bool mayClose = true;
    // A callback may unregister itself while it is told.
    const std::vector<ExitBRINDLECallback*> callbacks = State().exitCallbacks;
    for (ExitBRINDLECallback* callback : callbacks) {
        if (!callback->Exit(MainWindow())) mayClose = false;
    }
    if (mayClose) {
        State().closed = true;
        ClearPickMode();
    }
    return mayClose;
}

bool HostClosed() { return State().closed; }

void ReopenHost() { State().closed = false; }

BOOL ChooseDirectory(const wchar_t* title, wchar_t* folder) {
    if (folder == nullptr) return FALSE;
    folder[0] = L'\0';
    UiDriver* driver = CurrentUiDriver();
    if (driver == nullptr || State().closed) return FALSE;
    const std::optional<std::wstring> chosen = driver->ChooseFolder(title != nullptr ? title : L"");
    if (!chosen || chosen->empty()) return FALSE;
    // From the root, as a folder browser gives it: the module keeps it.
    const std::wstring path = AbsolutePath(*chosen);
    // The chooser's buffer holds 260 characters and the null.
    const std::size_t count = std::min<std::size_t>(path.size(), 260);
    std::wmemcpy(folder, path.data(), count);
    folder[count] = L'\0';
    return TRUE;
}

void CountRedraw() { ++State().redraws; }
int RedrawCount() { return State().redraws; }

}  // namespace brindle::host
