// Device contexts on windows: GetDC, GetWindowDC and BeginPaint hand out GDI
// device contexts that draw into the top-level window's surface at the
// window's place, clipped to it; giving one back shows what was drawn.
#pragma once

#include <windows.h>

namespace kmxwin::win {

// Shows DIRTY (screen coordinates) of HWND's top-level window on the
// display (lock not held).
void PresentWindowArea(HWND hwnd, const RECT& dirty);

}  // namespace kmxwin::win
