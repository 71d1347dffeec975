// Where mouse and keyboard input enters the window system: from the display
// back end, SendInput and the snapshot extension alike. Input is routed to
// a thread here (the capture's, the window's under the cursor, the
// foreground window's for keys) and becomes a window message when that
// thread takes it.
#pragma once

#include <windows.h>

namespace kmxwin::win {

// Who moved the cursor: the display reports where the user put it, so it
// need not be told again.
enum class InputSource { Program, Display };

// A mouse event: MOUSEEVENTF_* FLAGS, with the movement in pixels (absolute
// screen coordinates with MOUSEEVENTF_ABSOLUTE, else relative) and the
// wheel's delta.
void InjectMouse(DWORD flags, POINT movement, int wheel, InputSource source);
// A key going down or up.
void InjectKey(WORD vk, bool up, bool extended);
// The cursor was put at PT (SetCursorPos, ClipCursor): the window under it
// gets WM_MOUSEMOVE as for a real move.
void InjectCursorMove(POINT pt);

}  // namespace kmxwin::win
