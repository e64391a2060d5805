// The host services of utility plug-ins: rollup pages, the viewport pick
// mode, exit callbacks, the folder chooser and viewport redraws. The
// headless host interface forwards to these; the message pump delivers
// viewport clicks and the host's closing through them.
#pragma once

#include <vector>

#include "brindle/sdk/Interface.h"

namespace brindle::host {

HWND AddRollupPage(const DialogTemplate* dialog, DLGPROC procedure, const wchar_t* title,
                   LPARAM param);
void DeleteRollupPage(HWND page);
// Pages now in the command panel.
std::vector<HWND> RollupPages();

// Puts the host into `mode` (a closed host enters no mode).
void SetPickMode(PickModeCallback* mode);
void ClearPickMode();
bool PickModeActive();
// Whether a click on `node` would find it in the running pick mode: what
// the viewport offers to pick (false without a pick mode).
bool PickModeAccepts(INode* node);
// The headless viewport: a click names the node clicked by its handle
// (the point's x); the hit test finds that node when the filter takes it.
INode* PickNode(HWND viewport, IPoint2 point, PickNodeCallback* filter);
// A left click on node `handle` in the viewport while a pick mode runs:
// the mode's hit test, then its pick; false when the click found nothing.
bool ClickNode(ULONG handle);
// A right click in the viewport while a pick mode runs.
void RightClickViewport();

void RegisterExitCallback(ExitBRINDLECallback* callback);
void UnRegisterExitCallback(ExitBRINDLECallback* callback);
std::size_t ExitCallbackCount();
// The user closes the host: every exit callback is told. When all let it
// close (true), the host is closed: a pick mode ends and the host takes no
// more of the user's events, picks, or file and folder choices.
bool ExitHost();
bool HostClosed();
// Opens a closed host again, for a program that runs it once more (a test,
// one command after another).
void ReopenHost();

BOOL ChooseDirectory(const wchar_t* title, wchar_t* folder);

void CountRedraw();
// Viewport redraws so far.
int RedrawCount();

}  // namespace brindle::host
