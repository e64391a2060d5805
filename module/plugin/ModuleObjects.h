// Module-wide state that the entry points reach.
#pragma once

// LibDescription's text: string 1, loaded at the first call and kept in one
// module-wide string until unload, so every call returns the same pointer.
const wchar_t* ModuleDescription();
