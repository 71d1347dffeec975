// Mouse capture, cursor clipping, the cursor position and its display count.
#include "windowing/mouse_state.h"

#include "windowing/display.h"
#include "windowing/input_injection.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <algorithm>
#include <optional>

namespace kmxwin::win {
namespace {

// Guarded by UserLock().
struct MouseState {
    POINT cursor{};
    std::optional<RECT> clip;
    HWND capture = nullptr;
    HCURSOR shape = nullptr;
};

MouseState& Mouse() {
    static MouseState* state = [] {
        auto* made = new MouseState;
        SIZE screen = TheDisplay().ScreenSize();
        made->cursor = {screen.cx / 2, screen.cy / 2};
        return made;
    }();
    return *state;
}

RECT ScreenRect() {
    SIZE screen = TheDisplay().ScreenSize();
    return {0, 0, screen.cx, screen.cy};
}

POINT Confine(POINT pt, const RECT& limits) {
    return {std::clamp<LONG>(pt.x, limits.left, std::max(limits.left, limits.right - 1)),
            std::clamp<LONG>(pt.y, limits.top, std::max(limits.top, limits.bottom - 1))};
}

// The system cursors that LoadCursor hands out: one handle per resource id.
constexpr uintptr_t kCursorHandleBase = 0x10000;

}  // namespace

POINT CursorPosLocked() {
    return Mouse().cursor;
}

void SetCursorPosLocked(POINT pt) {
    Mouse().cursor = Confine(pt, CursorLimitsLocked());
}

RECT CursorLimitsLocked() {
    return Mouse().clip ? *Mouse().clip : ScreenRect();
}

HWND CaptureLocked() {
    MouseState& mouse = Mouse();
    if (mouse.capture && !FindWindowLocked(mouse.capture)) mouse.capture = nullptr;
    return mouse.capture;
}

void ForgetCaptureLocked(HWND hwnd) {
    if (Mouse().capture == hwnd) Mouse().capture = nullptr;
}

void ReleaseCaptureWithin(HWND hwnd) {
    {
        std::lock_guard lock(UserLock());
        HWND capture = CaptureLocked();
        Window* window = FindWindowLocked(hwnd);
        Window* holder = capture ? FindWindowLocked(capture) : nullptr;
        if (!window || !holder || !(holder == window || IsDescendant(*window, *holder))) return;
        Mouse().capture = nullptr;
        hwnd = capture;
    }
    SendMessageTo(hwnd, WM_CAPTURECHANGED, 0, 0, false);
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

HWND WINAPI SetCapture(HWND hWnd) {
    HWND old;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return nullptr;
        if (window->thread_id != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        hWnd = window->handle;
        old = CaptureLocked();
        Mouse().capture = hWnd;
    }
    if (old && old != hWnd)
        SendMessageTo(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd), false);
    return old;
}

BOOL WINAPI ReleaseCapture(void) {
    HWND old;
    {
        std::lock_guard lock(UserLock());
        old = CaptureLocked();
        Window* holder = old ? FindWindowLocked(old) : nullptr;
        if (!holder || holder->thread_id != GetCurrentThreadId()) return TRUE;
        Mouse().capture = nullptr;
    }
    SendMessageTo(old, WM_CAPTURECHANGED, 0, 0, false);
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    std::lock_guard lock(UserLock());
    HWND capture = CaptureLocked();
    if (!capture || FindWindowLocked(capture)->thread_id != GetCurrentThreadId()) return nullptr;
    return capture;
}

BOOL WINAPI ClipCursor(const RECT* lpRect) {
    std::optional<RECT> clip;
    POINT cursor;
    bool moved;
    {
        std::lock_guard lock(UserLock());
        MouseState& mouse = Mouse();
        if (lpRect) {
            RECT normal{
                std::min(lpRect->left, lpRect->right), std::min(lpRect->top, lpRect->bottom),
                std::max(lpRect->left, lpRect->right), std::max(lpRect->top, lpRect->bottom)};
            RECT screen = ScreenRect();
            RECT limited = IntersectRects(normal, screen);
            // A rectangle off the screen confines the cursor to the screen's
            // nearest edge point.
            if (IsEmptyRect(limited)) {
                POINT corner = Confine({normal.left, normal.top}, screen);
                limited = {corner.x, corner.y, corner.x + 1, corner.y + 1};
            }
            mouse.clip = limited;
        } else {
            mouse.clip.reset();
        }
        clip = mouse.clip;
        POINT before = mouse.cursor;
        mouse.cursor = Confine(mouse.cursor, CursorLimitsLocked());
        cursor = mouse.cursor;
        moved = cursor.x != before.x || cursor.y != before.y;
    }
    TheDisplay().CursorClipped(clip ? &*clip : nullptr);
    if (moved) InjectCursorMove(cursor);
    return TRUE;
}

BOOL WINAPI GetClipCursor(LPRECT lpRect) {
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(UserLock());
    *lpRect = CursorLimitsLocked();
    return TRUE;
}

int WINAPI ShowCursor(BOOL bShow) {
    ThreadQueue& queue = CurrentQueue();
    int count;
    {
        std::lock_guard lock(UserLock());
        count = queue.cursor_count += bShow ? 1 : -1;
    }
    // The cursor shows while the count is 0 or more.
    if (count == (bShow ? 0 : -1)) TheDisplay().CursorShown(bShow);
    return count;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
    POINT cursor;
    {
        std::lock_guard lock(UserLock());
        SetCursorPosLocked({X, Y});
        cursor = Mouse().cursor;
    }
    InjectCursorMove(cursor);
    return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (!lpPoint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(UserLock());
    *lpPoint = Mouse().cursor;
    return TRUE;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    // Only the system cursors exist; cursor resources are not loaded.
    if (hInstance || !IS_INTRESOURCE(lpCursorName)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    auto id = reinterpret_cast<uintptr_t>(lpCursorName);
    if (id != 32512 && id != 32513 && id != 32514 && id != 32515 && id != 32646 && id != 32648 &&
        id != 32649) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HCURSOR>(kCursorHandleBase + id);
}

HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    return LoadCursorA(hInstance, reinterpret_cast<LPCSTR>(lpCursorName));
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    std::lock_guard lock(UserLock());
    HCURSOR old = Mouse().shape;
    Mouse().shape = hCursor;
    return old;
}

HCURSOR WINAPI GetCursor(void) {
    std::lock_guard lock(UserLock());
    return Mouse().shape;
}

UINT WINAPI GetDoubleClickTime(void) {
    return 500;
}

}  // extern "C"
