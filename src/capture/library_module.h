// The library's own module, as its entry point was given it: what the
// library's files beside it (the language file) are found by.
#pragma once

#include <windows.h>

namespace kmx {

// Called by the entry point before the module start.
void SetLibraryModule(HMODULE module);
// The library's module; null where the library's code runs inside a
// program (the program's module is then meant).
HMODULE LibraryModule();

}  // namespace kmx
