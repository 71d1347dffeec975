// Exports of the plug-ins the frame pipeline loads, as typed functions.
#pragma once

#include <windows.h>

namespace kmx {

// ENTRY (as GetProcAddress answered it) as a function of type F.
template <class F>
F EntryAs(FARPROC entry) {
    // Through the generic function type: FARPROC's own signature would make
    // the cast one between incompatible function types.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(entry));
}

// The export NAME of MODULE as a function of type F, or null.
template <class F>
F ModuleEntry(HMODULE module, LPCSTR name) {
    return EntryAs<F>(GetProcAddress(module, name));
}

}  // namespace kmx
