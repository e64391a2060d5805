// Viewport picking: a plug-in puts the host into its pick mode; the host
// calls back for every click in a viewport until the mode ends. And the
// callbacks a plug-in registers to hear that the host is closing.
#pragma once

#include "brindle/sdk/BrindleWindows.h"

class Interface;
class INode;
class Animatable;

struct IPoint2 {
    int x;
    int y;
};

// A viewport, as a pick mode sees it: what the last hit test found.
class ViewExp {
public:
    virtual ~ViewExp() = default;
    // The node closest to the eye among those the last hit test found.
    virtual INode* GetClosestHit() = 0;
};

// Decides which nodes a pick may find.
class PickNodeCallback {
public:
    virtual ~PickNodeCallback() = default;
    virtual BOOL Filter(INode* node) = 0;
};

class PickModeCallback {
public:
    virtual ~PickModeCallback() = default;
    virtual void* GetInterface(ULONG /*id*/) { return nullptr; }
    // Whether something pickable lies under `point` of the viewport.
    virtual BOOL HitTest(Interface* host, HWND window, ViewExp* view, IPoint2 point, int flags) = 0;
    // A click on what the hit test found; true ends the mode.
    virtual BOOL Pick(Interface* host, ViewExp* view) = 0;
    virtual BOOL PickAnimatable(Animatable* /*animatable*/) { return TRUE; }
    // A right click; true ends the mode.
    virtual BOOL RightClick(Interface* /*host*/, ViewExp* /*view*/) { return FALSE; }
    virtual void EnterMode(Interface* /*host*/) {}
    virtual void ExitMode(Interface* /*host*/) {}
    virtual void* GetDefCursor(Interface* /*host*/) { return nullptr; }
    virtual void* GetHitCursor(Interface* /*host*/) { return nullptr; }
    virtual PickNodeCallback* GetFilter() { return nullptr; }
    virtual BOOL AllowMultiSelect() { return FALSE; }
};

// Told when the user closes the host; true lets it close.
class ExitBRINDLECallback {
public:
    virtual ~ExitBRINDLECallback() = default;
    virtual BOOL Exit(HWND mainWindow) = 0;
};
