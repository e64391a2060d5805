// What a numeric edit control of the host takes when a person types into it:
// the whole text must be one number of the control's kind within its range
// (blanks around it allowed), or nothing at all, as a person clears a field
// before typing anew; anything else is refused and the control keeps
// what it held, as a real numeric field refuses a key it has no use for.
#pragma once

#include <string>
#include <string_view>

#include "brindle/sdk/DialogTemplate.h"

namespace brindle::host {

// Whether an edit of `entry` takes `text` as typed.
bool EditTakes(const EditEntry& entry, std::wstring_view text);

// What an edit of `entry` takes, in words: "whole numbers from -5 to 5",
// "numbers from -1000000 to 1000000"; "any text" for a plain edit.
std::string EditEntryWords(const EditEntry& entry);

}  // namespace brindle::host
