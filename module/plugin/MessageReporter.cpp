#include "plugin/MessageReporter.h"

#include "brindle/sdk/BrindleWindows.h"

void MessageReporter::Report(const std::wstring& text, const std::wstring& caption) const {
    MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK);
}

bool MessageReporter::Ask(const std::wstring& text, const std::wstring& caption,
                          bool enterSaysYes) const {
    const UINT style = MB_YESNO | (enterSaysYes ? MB_DEFBUTTON1 : MB_DEFBUTTON2);
    return MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), style) == IDYES;
}
