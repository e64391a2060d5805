#include "plugin/MessageReporter.h"

#include "brindle/sdk/BrindleWindows.h"

void MessageReporter::Report(const std::wstring& text, const std::wstring& caption) const {
    MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK);
}

bool MessageReporter::Ask(const std::wstring& text, const std::wstring& caption) const {
    return MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}
