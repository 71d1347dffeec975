// The update area: InvalidateRect, ValidateRect, GetUpdateRect and
// UpdateWindow.
#include "windowing/paint_state.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <vector>

namespace kmxwin::win {
namespace {

// Sends WM_PAINT to HWND if it waits for one, then to its children.
void PaintNow(HWND hwnd) {
    bool paint;
    std::vector<HWND> children;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window || !IsVisibleLocked(*window) || window->thread_id != GetCurrentThreadId())
            return;
        paint = window->needs_paint;
        for (Window* child : window->children) children.push_back(child->handle);
    }
    if (paint) SendMessageTo(hwnd, WM_PAINT, 0, 0, false);
    for (HWND child : children) PaintNow(child);
}

}  // namespace
}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    std::lock_guard lock(UserLock());
    // NULL invalidates every window, as Windows does for the desktop.
    Window* window = hWnd ? LookupWindowLocked(hWnd) : &Desktop();
    if (!window) return FALSE;
    if (window == &Desktop()) {
        for (Window* top : window->children) InvalidateLocked(*top, nullptr, bErase, true);
        return TRUE;
    }
    InvalidateLocked(*window, lpRect, bErase, false);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
    std::lock_guard lock(UserLock());
    Window* window = hWnd ? LookupWindowLocked(hWnd) : &Desktop();
    if (!window) return FALSE;
    ValidateLocked(*window, lpRect);
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
    (void)bErase;
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hWnd);
    if (!window) return FALSE;
    bool has_update = window->needs_paint && !IsEmptyRect(window->update);
    if (lpRect) *lpRect = has_update ? window->update : RECT{0, 0, 0, 0};
    return has_update;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PaintNow(hWnd);
    return TRUE;
}

}  // extern "C"
