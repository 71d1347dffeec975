// A window: its record in the process's window list, and the queries of the
// tree that the rest of the window system shares. Every member after the
// identity is guarded by UserLock().
#pragma once

#include "windowing/thread_queue.h"
#include "windowing/window_class.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace kmxwin::win {

struct DialogData;
struct WindowSurface;

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> window_class;
    std::shared_ptr<ThreadQueue> queue;  // nullptr for the desktop
    DWORD thread_id = 0;

    DWORD style = 0;
    DWORD ex_style = 0;
    Window* parent = nullptr;  // the desktop for top-level windows
    HWND owner = nullptr;
    std::vector<Window*> children;  // the top of the z-order first
    RECT window_rect{};             // in the parent's client coordinates
    RECT client_rect{};             // in the parent's client coordinates
    std::string text;
    WNDPROC proc = nullptr;
    bool unicode = false;
    LONG_PTR id = 0;  // a child's control id, a top-level window's menu
    LONG_PTR user_data = 0;
    HINSTANCE instance = nullptr;
    std::vector<BYTE> extra;

    // Painting: the update area (client coordinates, kept as its bounding
    // rectangle), whether it wants erasing and whether the frame wants
    // drawing.
    bool needs_paint = false;
    bool needs_erase = false;
    bool needs_frame = false;
    RECT update{};
    bool close_box_pressed = false;
    bool frame_active = false;  // the caption shows the active colours (WM_NCACTIVATE)

    bool destroying = false;  // WM_DESTROY has been sent
    bool destroyed = false;   // gone from the window list
    bool created = false;     // WM_CREATE has been answered

    std::unique_ptr<DialogData> dialog;
    std::unique_ptr<WindowSurface> surface;  // top-level windows only

    Window();
    ~Window();
};

using WindowPtr = std::shared_ptr<Window>;

// The desktop window, the parent of every top-level window. Its client area
// is the screen.
Window& Desktop();

// The live window HWND names, or nullptr with ERROR_INVALID_WINDOW_HANDLE.
// The first form takes the lock itself; the second is called with it held.
WindowPtr LookupWindow(HWND hwnd);
Window* LookupWindowLocked(HWND hwnd);
// The same without touching the last error, for the system's own lookups.
Window* FindWindowLocked(HWND hwnd);

// Enters WINDOW into the window list and gives it its handle. False when the
// list is full.
bool InsertWindow(const WindowPtr& window);
// Takes WINDOW out of the list: its handle names nothing from now on.
void RemoveWindow(Window& window);

// Every live window of thread THREAD (lock held).
std::vector<WindowPtr> WindowsOfThread(DWORD thread);
// The shared pointer of a window in the list (lock held).
WindowPtr SharedWindow(Window& window);

// Tree queries, lock held.
bool IsTopLevel(const Window& window);  // a child of the desktop
Window& TopLevelOf(Window& window);
bool IsDescendant(const Window& ancestor, const Window& window);
bool IsVisibleLocked(const Window& window);  // it and every ancestor visible
bool IsEnabledLocked(const Window& window);
// The screen position of the client area's origin, and of the window's.
POINT ClientOrigin(const Window& window);
POINT WindowOrigin(const Window& window);
RECT ScreenWindowRect(const Window& window);
RECT ScreenClientRect(const Window& window);
// Lays CHILD into its parent's children at the top or the bottom.
void LinkChild(Window& child, bool at_top);
void UnlinkChild(Window& child);

bool PointInRect(const RECT& rect, POINT pt);
RECT OffsetRectBy(RECT rect, int dx, int dy);
RECT IntersectRects(const RECT& a, const RECT& b);
bool IsEmptyRect(const RECT& rect);
RECT UnionRects(const RECT& a, const RECT& b);

}  // namespace kmxwin::win
