// The non-client area that the window system draws for a window: its
// border, caption and close box, sized by the system metrics of a standard
// desktop.
#pragma once

#include <windows.h>

namespace kmxwin::win {

struct Window;

// The thickness of the frame on each side (the caption is part of the top).
RECT FrameInsets(DWORD style, DWORD ex_style);
bool HasCaption(DWORD style);

// The caption bar and the close box, in window coordinates (empty when the
// window has none).
RECT CaptionRect(DWORD style, DWORD ex_style, int window_width);
RECT CloseBoxRect(DWORD style, DWORD ex_style, int window_width);

// Draws HWND's frame, caption and client edges (WM_NCPAINT).
void PaintFrame(HWND hwnd);

// DefWindowProc's answer to WM_NCHITTEST at screen point PT. Lock held.
LRESULT HitTestLocked(const Window& window, POINT pt);

}  // namespace kmxwin::win
