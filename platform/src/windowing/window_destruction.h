// DestroyWindow and the end of windows: WM_PARENTNOTIFY to the parents,
// hiding, the owned windows first, WM_DESTROY to the window and then its
// children, WM_NCDESTROY to the children and then the window, as Windows
// orders them.
#pragma once

#include <windows.h>

namespace kmxwin::win {

// Sends WM_PARENTNOTIFY (WPARAM, lParam HWND) up the chain of parents of
// child window HWND, until a parent that is not a child itself or has
// WS_EX_NOPARENTNOTIFY.
void NotifyParents(HWND hwnd, WPARAM wparam);

// Sends WM_NCDESTROY to HWND's children and then to it, and takes them all
// out of the window list.
void FreeWindowTree(HWND hwnd);

}  // namespace kmxwin::win
