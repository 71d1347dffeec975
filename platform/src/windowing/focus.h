// Keyboard focus and activation. A thread has its own focus and active
// window; the foreground window is the active window of the thread that
// takes the keyboard input.
#pragma once

#include <windows.h>

namespace kmxwin::win {

// Makes HWND (a top-level window of this thread, or nullptr) the active
// window: WM_NCACTIVATE and WM_ACTIVATE to the old and the new one, and the
// focus to the new one through DefWindowProc. The previous active window.
HWND Activate(HWND hwnd, bool by_click);

// Activates another window when LEAVING (active) hides or goes: its owner
// when that can be activated, else none.
void ActivateAnother(HWND leaving);

// Moves the focus off a window that hides or goes: to its parent for a
// child, to nothing for a top-level window.
void MoveFocusFrom(HWND leaving);

// The foreground window, the target of keyboard input (lock held).
HWND ForegroundLocked();

}  // namespace kmxwin::win
