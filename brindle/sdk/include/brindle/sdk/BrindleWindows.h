// The part of the Windows user-interface interface that the module uses:
// handles, dialog messages, modal dialogs, message boxes. On this platform
// the headless host implements it (brindle/host), showing windows through
// its user-interface driver instead of a screen.
#pragma once

#include <cstdint>

#include "brindle/sdk/DialogTemplate.h"

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using INT_PTR = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Window messages a dialog procedure receives.
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
// The first message number free for a window's own messages.
constexpr UINT WM_USER = 0x0400;

// Notification codes in the high word of a WM_COMMAND's wParam.
constexpr WORD BN_CLICKED = 0;
constexpr WORD EN_CHANGE = 0x0300;

// Command and dialog result identifiers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Message box styles.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;
// The button Enter presses: the first unless a style names another.
constexpr UINT MB_DEFBUTTON1 = 0x0;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFMASK = 0xF00;

constexpr WORD LOWORD(WPARAM value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(WPARAM value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// Shows a message box owned by `owner` and returns the button chosen (IDOK,
// IDYES, IDNO), or 0 when no answer could be had.
int MessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
// The window the user works in: the innermost open modal dialog, else the
// host's main window.
HWND GetActiveWindow();
// Runs a modal dialog built from `dialog`: the procedure receives
// WM_INITDIALOG with `param`, then the user's actions, until it calls
// EndDialog. Returns the value given to EndDialog, or -1 when the dialog
// could not run (or no user action could be had while it was open).
INT_PTR DialogBoxIndirectParamW(HINSTANCE module, const DialogTemplate* dialog, HWND owner,
                                DLGPROC procedure, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
// The owner of a dialog, the dialog of a control.
HWND GetParent(HWND window);
int GetDlgCtrlID(HWND control);
BOOL SetDlgItemTextW(HWND dialog, int id, const wchar_t* text);
// Copies at most `maxChars` - 1 characters and a terminating null; returns
// the characters copied.
UINT GetDlgItemTextW(HWND dialog, int id, wchar_t* text, int maxChars);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);

// Check boxes and radio buttons.
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
BOOL CheckDlgButton(HWND dialog, int id, UINT state);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `checkId` and clears the other buttons from `firstId` to `lastId`.
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);

// Modeless dialogs: created, shown and destroyed by their owner; their
// procedure hears of the user's actions while someone pumps messages.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;
HWND CreateDialogParamW(HINSTANCE module, const DialogTemplate* dialog, HWND owner,
                        DLGPROC procedure, LPARAM param);
BOOL DestroyWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL IsWindow(HWND window);
// Calls the window's procedure with the message and returns its answer.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The message queue. PeekMessageW takes the next pending message (a user's
// action in a modeless window, a viewport click, a request to close the
// host); DispatchMessageW carries it out.
struct POINT {
    LONG x;
    LONG y;
};
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
constexpr UINT PM_NOREMOVE = 0x0;
constexpr UINT PM_REMOVE = 0x1;
BOOL PeekMessageW(MSG* message, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageW(const MSG* message);

// Suspends the calling thread.
void Sleep(DWORD milliseconds);

// The common open and save file dialogs.
struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    // Pairs of a description and a pattern, each ended by a null, with an
    // extra null after the last pair.
    const wchar_t* lpstrFilter;
    wchar_t* lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    // In: the initial file name. Out: the chosen path; with several files
    // chosen, the folder and then each name, each ended by a null, with an
    // extra null after the last.
    wchar_t* lpstrFile;
    DWORD nMaxFile;
    wchar_t* lpstrFileTitle;
    DWORD nMaxFileTitle;
    const wchar_t* lpstrInitialDir;
    const wchar_t* lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;  // where the (first) file name starts in lpstrFile
    WORD nFileExtension;
    const wchar_t* lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    const wchar_t* lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
constexpr DWORD OFN_READONLY = 0x1;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;
constexpr DWORD OFN_EXPLORER = 0x80000;
constexpr DWORD OFN_EX_NOPLACESBAR = 0x1;
// True when the user chose a file (or files); false on cancel or when the
// chosen path does not fit the buffer.
BOOL GetOpenFileNameW(OPENFILENAMEW* request);
BOOL GetSaveFileNameW(OPENFILENAMEW* request);
