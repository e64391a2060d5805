// The module's resources: its string table, dialog templates and bitmaps,
// addressed by the numbers of ResourceIds.h, as the host's resource
// functions address them.
#pragma once

#include <cstdint>
#include <string>

#include "brindle/sdk/DialogTemplate.h"

#include "tovfileio/module/ResourceIds.h"

// The text of string `id`, or null when the table has none.
const wchar_t* ModuleString(int id);
// The text of string `id` as a new string; empty when the table has none.
std::wstring GetResourceStringAsMSTR(int id);

// Dialog template `id`, or null.
const DialogTemplate* ModuleDialog(int id);
// Whether control `controlId` of dialog `dialogId` takes `value` as a
// person may type it: the template's rule for the edit (EditEntry::Holds);
// a control that is no numeric edit takes any.
bool DialogFieldTakes(int dialogId, int controlId, double value);

// A bitmap: `rows` strings of `width` characters, '#' for ink and anything
// else for paper.
struct ModuleBitmap {
    int id;
    int width;
    int height;
    const char* const* rows;
};
const ModuleBitmap* ModuleBitmapResource(int id);
