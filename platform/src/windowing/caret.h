// The caret's part in painting and destruction: a window's painting must
// not draw over a caret that is inverted on it, and a window that goes
// takes its caret with it. Called on the window's own thread.
#pragma once

#include <windows.h>

namespace kmxwin::win {

// Takes the caret off HWND for the length of BeginPaint...EndPaint.
void HideCaretForPaint(HWND hwnd);
void ShowCaretAfterPaint(HWND hwnd);
// Forgets the caret of HWND, which is being destroyed.
void ForgetCaretOf(HWND hwnd);

}  // namespace kmxwin::win
