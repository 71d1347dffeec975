// Which windows need painting: each window's update area and the count of
// windows waiting for WM_PAINT in each thread. Called with UserLock() held.
#pragma once

#include <windows.h>

namespace kmxwin::win {

struct Window;

// Adds RECT (client coordinates; nullptr: the whole client area) to
// WINDOW's update area, with its frame when FRAME. The visible children
// under it are invalidated too: a parent's painting does not clip them out,
// so they must paint again after it.
void InvalidateLocked(Window& window, const RECT* rect, bool erase, bool frame);
// Invalidates what a child covered in its parent (parent client
// coordinates), for when the child moves away or hides.
void InvalidateParentArea(Window& parent, const RECT& area);
// Takes RECT (nullptr: all) out of WINDOW's update area.
void ValidateLocked(Window& window, const RECT* rect);
// Invalidates all of HWND, frame and children, for it to paint again (takes
// the lock).
void InvalidateWhole(HWND hwnd);
// Forgets the update area of a window being destroyed.
void ForgetUpdateLocked(Window& window);

}  // namespace kmxwin::win
