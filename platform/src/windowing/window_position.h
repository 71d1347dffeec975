// Moving, sizing, showing and hiding windows.
#pragma once

#include <windows.h>

namespace kmxwin::win {

// SWP_ flags the system adds to the WINDOWPOS it reports, as Windows does,
// for DefWindowProc's WM_WINDOWPOSCHANGED: the client area kept its size or
// its place.
constexpr UINT kSwpNoClientSize = 0x0800;
constexpr UINT kSwpNoClientMove = 0x1000;

// Draws the frame and erases the background of a window that just became
// visible, as SetWindowPos does before it reports the change.
void PaintShownWindow(HWND hwnd);

}  // namespace kmxwin::win
