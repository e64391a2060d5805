// The host application as a plug-in sees it: the scene's nodes and
// selection, time and animation range, object creation, and the progress
// display of long operations.
#pragma once

#include <string>

#include "brindle/sdk/Animation.h"
#include "brindle/sdk/PickMode.h"
#include "brindle/sdk/SceneObjects.h"

// A progress display's work function; the host calls it with the argument
// given to ProgressStart and shows what it returns.
using LPTHREAD_START_ROUTINE = DWORD (*)(void* arg);

class Interface {
public:
    virtual ~Interface() = default;
    virtual HWND GetMainWindow() = 0;

    // Time.
    virtual TimeValue GetTime() = 0;
    virtual void SetTime(TimeValue t, BOOL redraw = TRUE) = 0;
    virtual Interval GetAnimRange() = 0;
    virtual void SetAnimRange(Interval range) = 0;

    // Nodes and selection.
    virtual INode* GetRootNode() = 0;
    virtual int GetSelNodeCount() = 0;
    virtual INode* GetSelNode(int i) = 0;
    virtual INode* GetINodeByHandle(ULONG handle) = 0;
    virtual INode* GetINodeByName(const wchar_t* name) = 0;
    // Changes `name` into one no node of the scene has, by a number after it.
    virtual void MakeNameUnique(std::wstring& name) = 0;

    // A new object of the class (null when the host has no such class); the
    // host owns it once a node holds it.
    virtual void* CreateInstance(SClass_ID superClass, Class_ID classId) = 0;
    // A new top-level node for `object` with the default transform
    // controller; the node owns the object.
    virtual INode* CreateObjectNode(Object* object) = 0;
    // Removes `node` from the scene; its children move to its parent.
    virtual void DeleteNode(INode* node, BOOL redraw = TRUE) = 0;

    // The progress display: started with a title, updated with a percentage,
    // asked whether the user cancelled, ended.
    virtual BOOL ProgressStart(const wchar_t* title, BOOL showBar, LPTHREAD_START_ROUTINE fn,
                               void* arg) = 0;
    virtual void ProgressUpdate(int percent, BOOL showPercent = TRUE,
                                const wchar_t* title = nullptr) = 0;
    virtual void ProgressEnd() = 0;
    virtual BOOL GetCancel() = 0;
    virtual void SetCancel(BOOL cancel) = 0;

    virtual void RedrawViews(TimeValue t) = 0;

    // Rollup pages of the command panel: a modeless dialog from `dialog`
    // whose procedure gets WM_INITDIALOG with `param`; its window, or null.
    virtual HWND AddRollupPage(HINSTANCE module, const DialogTemplate* dialog, DLGPROC procedure,
                               const wchar_t* title, LPARAM param = 0, DWORD flags = 0,
                               int category = ROLLUP_CAT_STANDARD) = 0;
    virtual void DeleteRollupPage(HWND page) = 0;
    // Mouse messages of a page, for the panel's scrolling.
    virtual void RollupMouseMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Pick mode: the host calls `mode` for viewport clicks until it ends.
    // Setting a mode ends the one before; ClearPickMode ends the current one.
    virtual void SetPickMode(PickModeCallback* mode) = 0;
    virtual void ClearPickMode() = 0;
    // The node under `point` of viewport `window` that `filter` accepts
    // (every node without one), or null.
    virtual INode* PickNode(HWND window, IPoint2 point, PickNodeCallback* filter = nullptr) = 0;

    // Callbacks told when the user closes the host.
    virtual void RegisterExitBRINDLECallback(ExitBRINDLECallback* callback) = 0;
    virtual void UnRegisterExitBRINDLECallback(ExitBRINDLECallback* callback) = 0;

    // The folder chooser: true with the folder in `folder` (at most 260
    // characters and a null), false when the user chose none.
    virtual BOOL ChooseDirectory(HWND owner, const wchar_t* title, wchar_t* folder,
                                 wchar_t* description = nullptr) = 0;

    static constexpr int ROLLUP_CAT_STANDARD = 4000;
};

// What an importer gets besides the host interface: the scene being imported
// into.
class ImpInterface {
public:
    virtual ~ImpInterface() = default;
    virtual void RedrawViews() = 0;
};

// What an exporter gets besides the host interface.
class ExpInterface {
public:
    virtual ~ExpInterface() = default;
};

// User-interface colours by number, as red, green and blue from 0 to 1.
Point3 GetUIColor(int index);
// The colour of bones drawn in the viewports.
constexpr int COLOR_BONES = 23;
