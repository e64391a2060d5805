// The module's About box, shared by its importers and its exporter.
#pragma once

#include "brindle/sdk/BrindleWindows.h"

// Runs dialog 114 "About..." modally over `owner`: centred over it, closed
// with 1 by its OK button; every other command is ignored.
INT_PTR RunAboutBox(HWND owner);

// The one-line notice of the maker that the plug-ins give the host.
extern const wchar_t kTovelundLegalNotice[];
