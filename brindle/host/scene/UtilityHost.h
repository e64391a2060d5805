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

void SetPickMode(PickModeCallback* mode);
void ClearPickMode();
bool PickModeActive();
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
// The user closes the host: every exit callback is told. True when all let
// it close.
bool ExitHost();

BOOL ChooseDirectory(const wchar_t* title, wchar_t* folder);

void CountRedraw();
// Viewport redraws so far.
int RedrawCount();

}  // namespace brindle::host
