/* Pictures of windows and input as a user would give it, for tests and
 * tools; library code never uses this. This is not a Windows header.
 *
 * KmxWinSnapshotWindow paints what the window and its children still have
 * to paint (on the window's own thread) and writes the window, its frame
 * and its children as a PNG file. The input functions put mouse and key
 * events into the same path that the display's real input takes: the
 * cursor moves (confined by ClipCursor), the capture and the window under
 * the cursor get the mouse, the focus gets the keys. */
#ifndef KMXWIN_WINDOW_SNAPSHOT_H
#define KMXWIN_WINDOW_SNAPSHOT_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* FALSE with ERROR_INVALID_WINDOW_HANDLE for a window that is gone, with
 * ERROR_WRITE_FAULT when the file cannot be written. */
KMXWIN_API BOOL WINAPI KmxWinSnapshotWindow(HWND hwnd, const char* png_path);

/* A mouse event at screen point (x, y): MOUSEEVENTF_ button flags (0 for a
 * move alone); the cursor moves there first. */
KMXWIN_API void WINAPI KmxWinInjectMouse(DWORD flags, int x, int y);

/* A key going down (up = FALSE) or up. */
KMXWIN_API void WINAPI KmxWinInjectKey(WORD vk, BOOL up);

/* "headless" or "x11": the display this process runs on. */
KMXWIN_API const char* WINAPI KmxWinDisplayName(void);

#ifdef __cplusplus
}
#endif

#endif
