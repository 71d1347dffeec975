// The common controls' window classes: their names, procedures and the
// InitCommonControlsEx flags that register them.
#pragma once

#include <windows.h>

namespace kmxwin::controls {

LRESULT CALLBACK TrackbarProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK TabControlProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Registers the classes that ICC (ICC_* flags) names and are not
// registered yet. False when a registration failed.
bool RegisterControlClasses(DWORD icc);

}  // namespace kmxwin::controls
