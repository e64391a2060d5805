// Host services without a better home: the language-pack locale and
// window placement.
#pragma once

#include "brindle/sdk/BrindleWindows.h"

// Switches the calling module to the language pack the host runs with.
// Modules call it once when they are loaded.
void UseLanguagePackLocale();

// Moves `window` so that its centre is the centre of `parent`.
void CenterWindow(HWND window, HWND parent);
