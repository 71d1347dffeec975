// SetWindowPos and what is built on it: MoveWindow, ShowWindow; and the
// geometry queries.
#include "windowing/window_position.h"

#include "windowing/display.h"
#include "windowing/focus.h"
#include "windowing/nonclient.h"
#include "windowing/paint_state.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"
#include "windowing/window_surface.h"

#include <algorithm>

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Places WINDOW in its siblings' z-order after AFTER (HWND_TOP, HWND_BOTTOM
// or a sibling). Lock held.
void Restack(Window& window, HWND after) {
    if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) after = HWND_TOP;
    Window* sibling = nullptr;
    if (after != HWND_TOP && after != HWND_BOTTOM) {
        sibling = FindWindowLocked(after);
        if (!sibling || sibling->parent != window.parent || sibling == &window) return;
    }
    UnlinkChild(window);
    auto& siblings = window.parent->children;
    if (after == HWND_TOP)
        siblings.insert(siblings.begin(), &window);
    else if (after == HWND_BOTTOM)
        siblings.push_back(&window);
    else
        siblings.insert(std::find(siblings.begin(), siblings.end(), sibling) + 1, &window);
}

struct Change {
    HWND hwnd;
    bool top_level;
    bool same_thread;
    bool was_visible;
    RECT old_window;
    RECT old_client;
};

// Moves POINT by SIGN times HWND's client origin on the screen.
BOOL ShiftByClientOrigin(HWND hwnd, LPPOINT point, int sign) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hwnd);
    if (!window) return FALSE;
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    POINT origin = ClientOrigin(*window);
    point->x += sign * origin.x;
    point->y += sign * origin.y;
    return TRUE;
}

// Fills RECT with what RECT_OF makes of window HWND, as GetClientRect and
// GetWindowRect do.
template <class RectOf>
BOOL WindowRectangle(HWND hwnd, LPRECT rect, RectOf rect_of) {
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hwnd);
    if (!window) return FALSE;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *rect = rect_of(*window);
    return TRUE;
}

}  // namespace

void PaintShownWindow(HWND hwnd) {
    bool frame, erase;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window || !IsVisibleLocked(*window) || window->thread_id != GetCurrentThreadId())
            return;
        frame = window->needs_frame;
        erase = window->needs_erase;
    }
    if (frame) {
        Send(hwnd, WM_NCPAINT, 1, 0);
        std::lock_guard lock(UserLock());
        if (Window* window = FindWindowLocked(hwnd)) window->needs_frame = false;
    }
    if (erase) {
        HDC dc = GetDC(hwnd);
        LRESULT erased = Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(hwnd, dc);
        std::lock_guard lock(UserLock());
        if (Window* window = FindWindowLocked(hwnd); window && erased) window->needs_erase = false;
    }
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
    WINDOWPOS pos{hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags};
    Change change;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return FALSE;
        if (!window->queue) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        pos.hwnd = window->handle;
        change = {window->handle,
                  IsTopLevel(*window),
                  window->thread_id == GetCurrentThreadId(),
                  (window->style & WS_VISIBLE) != 0,
                  window->window_rect,
                  window->client_rect};
        if (uFlags & SWP_NOMOVE) {
            pos.x = window->window_rect.left;
            pos.y = window->window_rect.top;
        }
        if (uFlags & SWP_NOSIZE) {
            pos.cx = window->window_rect.right - window->window_rect.left;
            pos.cy = window->window_rect.bottom - window->window_rect.top;
        }
    }
    if (!change.same_thread) {
        // Windows of other threads are moved on their own thread.
        return static_cast<BOOL>(RunOnWindowThread(change.hwnd, [=] {
            return static_cast<LRESULT>(SetWindowPos(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags));
        }));
    }
    if (change.was_visible) pos.flags &= ~SWP_SHOWWINDOW;
    if (!change.was_visible) pos.flags &= ~SWP_HIDEWINDOW;
    if (!(pos.flags & SWP_NOSENDCHANGING))
        Send(pos.hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    pos.cx = std::max(pos.cx, 0);
    pos.cy = std::max(pos.cy, 0);

    RECT new_window{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
    bool resized =
        (new_window.right - new_window.left) !=
            (change.old_window.right - change.old_window.left) ||
        (new_window.bottom - new_window.top) != (change.old_window.bottom - change.old_window.top);
    RECT new_client;
    if (resized || (pos.flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS params{{new_window, change.old_window, change.old_client}, &pos};
        Send(pos.hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
        new_client = params.rgrc[0];
    } else {
        new_client = OffsetRectBy(change.old_client, new_window.left - change.old_window.left,
                                  new_window.top - change.old_window.top);
    }
    if (new_client.left == change.old_client.left && new_client.top == change.old_client.top)
        pos.flags |= kSwpNoClientMove;
    if (new_client.right - new_client.left == change.old_client.right - change.old_client.left &&
        new_client.bottom - new_client.top == change.old_client.bottom - change.old_client.top)
        pos.flags |= kSwpNoClientSize;

    bool shown = pos.flags & SWP_SHOWWINDOW, hidden = pos.flags & SWP_HIDEWINDOW;
    bool visible_now, activate;
    RECT screen_rect;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(pos.hwnd);
        if (!window) return FALSE;
        bool moved = !SameRect(new_window, window->window_rect);
        if (window->parent && (moved || hidden) && IsVisibleLocked(*window->parent) &&
            change.was_visible)
            InvalidateParentArea(*window->parent, window->window_rect);
        window->window_rect = new_window;
        window->client_rect = new_client;
        if (!(pos.flags & SWP_NOZORDER)) Restack(*window, pos.hwndInsertAfter);
        if (shown) window->style |= WS_VISIBLE;
        if (hidden) window->style &= ~WS_VISIBLE;
        if (window->surface)
            window->surface->Resize(new_window.right - new_window.left,
                                    new_window.bottom - new_window.top);
        visible_now = IsVisibleLocked(*window);
        if (visible_now &&
            (shown || resized || (pos.flags & SWP_FRAMECHANGED) || (moved && !change.top_level)))
            InvalidateLocked(*window, nullptr, true, true);
        activate = change.top_level && visible_now && !(pos.flags & SWP_NOACTIVATE) &&
                   (shown || !(pos.flags & SWP_NOZORDER)) && IsEnabledLocked(*window);
        screen_rect = ScreenWindowRect(*window);
    }
    if (change.top_level) {
        if (!SameRect(new_window, change.old_window))
            TheDisplay().WindowMoved(pos.hwnd, screen_rect);
        if (shown || hidden) TheDisplay().WindowShown(pos.hwnd, shown);
    }
    if (hidden) {
        ActivateAnother(pos.hwnd);
        MoveFocusFrom(pos.hwnd);
    }
    if (activate) Activate(pos.hwnd, false);
    if (shown && visible_now) PaintShownWindow(pos.hwnd);
    Send(pos.hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW);
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, flags);
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    if (nCmdShow < SW_HIDE || nCmdShow > SW_SHOWDEFAULT + 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool was_visible, child;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return FALSE;
        if (window->thread_id != GetCurrentThreadId()) {
            HWND full = window->handle;
            // Shown on the window's own thread, as Windows does.
            return static_cast<BOOL>(RunOnWindowThread(
                full, [=] { return static_cast<LRESULT>(ShowWindow(full, nCmdShow)); }));
        }
        hWnd = window->handle;
        was_visible = window->style & WS_VISIBLE;
        child = !IsTopLevel(*window);
    }
    bool show = nCmdShow != SW_HIDE;
    if (show == was_visible) return was_visible;
    Send(hWnd, WM_SHOWWINDOW, show, 0);
    if (!IsWindow(hWnd)) return was_visible;
    UINT flags = SWP_NOSIZE | SWP_NOMOVE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    if (child || !show) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    if (nCmdShow == SW_SHOWNA || nCmdShow == SW_SHOWNOACTIVATE) flags |= SWP_NOACTIVATE;
    SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, flags);
    return was_visible;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    return WindowRectangle(hWnd, lpRect, [](const Window& window) {
        return RECT{0, 0, window.client_rect.right - window.client_rect.left,
                    window.client_rect.bottom - window.client_rect.top};
    });
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    return WindowRectangle(hWnd, lpRect,
                           [](const Window& window) { return ScreenWindowRect(window); });
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    return ShiftByClientOrigin(hWnd, lpPoint, 1);
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    return ShiftByClientOrigin(hWnd, lpPoint, -1);
}

int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    std::lock_guard lock(UserLock());
    POINT from{0, 0}, to{0, 0};
    if (hWndFrom) {
        Window* window = LookupWindowLocked(hWndFrom);
        if (!window) return 0;
        from = ClientOrigin(*window);
    }
    if (hWndTo) {
        Window* window = LookupWindowLocked(hWndTo);
        if (!window) return 0;
        to = ClientOrigin(*window);
    }
    int dx = from.x - to.x, dy = from.y - to.y;
    if (lpPoints) {
        for (UINT i = 0; i < cPoints; ++i) {
            lpPoints[i].x += dx;
            lpPoints[i].y += dy;
        }
    }
    SetLastError(ERROR_SUCCESS);
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND WINAPI WindowFromPoint(POINT Point) {
    std::lock_guard lock(UserLock());
    Window* found = nullptr;
    for (Window* level = &Desktop();;) {
        Window* hit = nullptr;
        POINT origin = ClientOrigin(*level);
        for (Window* child : level->children) {
            if (!(child->style & WS_VISIBLE)) continue;
            RECT rect = OffsetRectBy(child->window_rect, origin.x, origin.y);
            if (PointInRect(rect, Point)) {
                hit = child;
                break;
            }
        }
        // A disabled child leaves the point to its parent.
        if (!hit || (!IsEnabledLocked(*hit) && !IsTopLevel(*hit))) break;
        found = hit;
        if (!PointInRect(ScreenClientRect(*hit), Point)) break;
        level = hit;
    }
    return found ? found->handle : nullptr;
}

HWND WINAPI ChildWindowFromPoint(HWND hWndParent, POINT Point) {
    std::lock_guard lock(UserLock());
    Window* parent = LookupWindowLocked(hWndParent);
    if (!parent) return nullptr;
    RECT client{0, 0, parent->client_rect.right - parent->client_rect.left,
                parent->client_rect.bottom - parent->client_rect.top};
    if (!PointInRect(client, Point)) return nullptr;
    for (Window* child : parent->children)
        if (PointInRect(child->window_rect, Point)) return child->handle;
    return parent->handle;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
    if (!lpRect || bMenu) {
        // Menus are not part of this window system.
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT insets = FrameInsets(dwStyle, dwExStyle);
    lpRect->left -= insets.left;
    lpRect->top -= insets.top;
    lpRect->right += insets.right;
    lpRect->bottom += insets.bottom;
    return TRUE;
}

}  // extern "C"
