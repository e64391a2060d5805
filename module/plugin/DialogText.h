// What the module's option dialogs share: numbers shown in edit controls as
// "%d" and "%f" show them, numbers read back from an edit's text the way the
// C library reads them, and a guard that keeps exceptions inside a dialog
// procedure.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "brindle/sdk/BrindleWindows.h"

// "%d" of `value`.
std::wstring FormatInt(std::int32_t value);
// "%f" of `value`: six decimals, a point whatever the locale.
std::wstring FormatFixed(double value);

// The text of edit `id` (at most 255 characters, as the dialogs fetch it)
// read as an integer or a floating-point number: leading blanks skipped,
// the longest valid prefix converted, 0 when nothing converts.
std::int32_t ReadIntField(HWND dialog, int id);
double ReadDoubleField(HWND dialog, int id);

// The From and To edits of an options dialog, checked against the frames
// held: a From before `start` or a To after `end` is put back to that bound
// and reported with `caption` ("Please choose a start frame equal to or
// greater than N", "Please choose an end frame less than or equal to N").
// Each value that passes is kept at once, so the bounds of a later OK are
// the values an earlier one accepted. False at the first failure.
bool AcceptFrameRange(HWND dialog, int fromId, int toId, std::int32_t& start, std::int32_t& end,
                      const std::wstring& caption);

// Runs `handle` for a dialog message; anything it throws ends the dialog
// with -1 instead of leaving the procedure.
template <typename Handle>
INT_PTR GuardDialogMessage(Handle&& handle, HWND dialog) {
    try {
        return handle();
    } catch (const std::exception&) {
        EndDialog(dialog, -1);
        return TRUE;
    }
}
