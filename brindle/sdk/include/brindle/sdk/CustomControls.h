// The host's custom controls that plug-in pages place in their dialogs:
// the numeric edit field, reached through an interface on its window.
#pragma once

#include "brindle/sdk/BrindleWindows.h"

class ICustEdit {
public:
    virtual void SetText(const wchar_t* text) = 0;
    // Copies at most `maxChars` - 1 characters and a null.
    virtual void GetText(wchar_t* text, int maxChars) = 0;
    // The field's text as a number; `valid` (when given) tells whether the
    // whole text was one.
    virtual float GetFloat(BOOL* valid = nullptr) = 0;
    virtual void Enable(BOOL enable = TRUE) = 0;
    virtual void Disable() = 0;

protected:
    virtual ~ICustEdit() = default;
};

// The edit interface of a custom edit control, or null when `window` is
// not one; give it back with ReleaseICustEdit.
ICustEdit* GetICustEdit(HWND window);
void ReleaseICustEdit(ICustEdit* edit);
