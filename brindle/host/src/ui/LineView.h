// Windows as the line driver shows them and as a person names their
// controls: by id or by label, the label without its mnemonic marks.
#pragma once

#include <string>

#include "brindle/host/ui/LineDriver.h"
#include "brindle/host/ui/UiDriver.h"

namespace brindle::host {

std::string Utf8(const std::wstring& text);

// The dialog as text: its title, then a line per control (id, kind, state,
// text through `escaped`, "(disabled)").
std::string DialogText(const DialogView& dialog, const TextEscape& escaped);

// The control a person names by id or label (in any case), or 0.
int FindControl(const DialogView& dialog, const std::string& target);

// Why control `id` of `dialog` will not take `text` typed into it ("control
// 1206 takes numbers from -1000000000 to 1000000000; it keeps what it held");
// empty when it takes it.
std::string TypingRefused(const DialogView& dialog, int id, const std::wstring& text);

// What changes when the dialog is shown again: a driver shows a window
// anew only when this differs.
std::wstring DialogState(const DialogView& dialog);

}  // namespace brindle::host
