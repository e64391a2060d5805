// The viewport pick mode of the MNM creator: a click on a geometric object,
// a shape or a helper whose name an MNM file can hold picks that node; a
// right click ends the mode without one. The creator reads the outcome from
// the three fields.
#pragma once

#include "brindle/sdk/Interface.h"

class PickControlNode : public PickModeCallback, public PickNodeCallback {
public:
    BOOL HitTest(Interface* host, HWND window, ViewExp* view, IPoint2 point, int flags) override;
    BOOL Pick(Interface* host, ViewExp* view) override;
    BOOL RightClick(Interface* host, ViewExp* view) override;
    void EnterMode(Interface* host) override;
    void ExitMode(Interface* host) override;
    PickNodeCallback* GetFilter() override { return this; }
    // Accepts geometric objects, shapes and helpers; never cameras or lights,
    // nor a node whose name has a blank (see tovfileio::MarkerNameMap::CanHoldName).
    BOOL Filter(INode* node) override;

    bool active = false;
    bool rightClicked = false;
    INode* pickedNode = nullptr;

    // The one pick mode of the module.
    static PickControlNode& Module();
};
