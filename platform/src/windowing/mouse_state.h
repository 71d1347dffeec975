// The mouse as the window system keeps it: the cursor position, the clip
// rectangle, the capture window and the cursor's display count.
#pragma once

#include <windows.h>

namespace kmxwin::win {

// The cursor position and the rectangle it is confined to (the screen when
// not clipped). Lock held.
POINT CursorPosLocked();
void SetCursorPosLocked(POINT pt);
RECT CursorLimitsLocked();
// The capture window, if any, and its thread. Lock held.
HWND CaptureLocked();

// Drops the capture silently when HWND goes (lock held).
void ForgetCaptureLocked(HWND hwnd);
// Releases the capture, with WM_CAPTURECHANGED, when HWND or one of its
// descendants holds it.
void ReleaseCaptureWithin(HWND hwnd);

}  // namespace kmxwin::win
