// The one way the module shows messages and asks questions: a message box
// owned by the window that is active at that moment.
#pragma once

#include <string>

class MessageReporter {
public:
    // Shows `text` with the title `caption` and an OK button; returns when
    // the user has closed it.
    void Report(const std::wstring& text, const std::wstring& caption) const;
    // Asks a yes/no question; true exactly when the user chose Yes. Enter
    // chooses Yes, or No when `enterSaysYes` is false.
    bool Ask(const std::wstring& text, const std::wstring& caption, bool enterSaysYes = true) const;

    // The module's reporter, alive from load to unload.
    static MessageReporter& Module();
};
