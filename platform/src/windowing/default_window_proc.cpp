// DefWindowProc: what a window does with a message its procedure leaves to
// the system.
#include "windowing/default_window_proc.h"

#include "text/ansi_code_page.h"
#include "windowing/control_paint.h"
#include "windowing/nonclient.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_position.h"
#include "windowing/window_procedure.h"

#include <string.h>

#include <algorithm>

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

HWND ParentOfChild(HWND hwnd) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    if (!window || !(window->style & WS_CHILD) || !window->parent) return nullptr;
    return window->parent->handle;
}

LRESULT SetText(HWND hwnd, LPCSTR text) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    if (!window) return FALSE;
    window->text = text ? text : "";
    if (IsTopLevel(*window) && window->created) window->needs_frame = true;
    return TRUE;
}

LRESULT GetText(HWND hwnd, WPARAM size, LPSTR buffer) {
    if (!buffer || size == 0) return 0;
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    if (!window) return 0;
    size_t count = std::min<size_t>(window->text.size(), size - 1);
    memcpy(buffer, window->text.data(), count);
    buffer[count] = '\0';
    return static_cast<LRESULT>(count);
}

LRESULT TextLength(HWND hwnd) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    return window ? static_cast<LRESULT>(window->text.size()) : 0;
}

LRESULT CalcClient(HWND hwnd, WPARAM calc_valid, LPARAM lparam) {
    auto* rect = calc_valid ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                            : reinterpret_cast<RECT*>(lparam);
    DWORD style, ex_style;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return 0;
        style = window->style;
        ex_style = window->ex_style;
    }
    RECT insets = FrameInsets(style, ex_style);
    rect->left += insets.left;
    rect->top += insets.top;
    rect->right = std::max(rect->left, rect->right - insets.right);
    rect->bottom = std::max(rect->top, rect->bottom - insets.bottom);
    return 0;
}

LRESULT HitTest(HWND hwnd, LPARAM lparam) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    if (!window) return HTNOWHERE;
    return HitTestLocked(*window,
                         {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
}

void PositionChanged(HWND hwnd, const WINDOWPOS& pos) {
    RECT client;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return;
        client = window->client_rect;
    }
    if (!(pos.flags & kSwpNoClientMove))
        Send(hwnd, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
    if (!(pos.flags & kSwpNoClientSize))
        Send(hwnd, WM_SIZE, SIZE_RESTORED,
             MAKELPARAM(client.right - client.left, client.bottom - client.top));
}

bool IsMinimizedOrDisabled(HWND hwnd) {
    std::lock_guard lock(UserLock());
    Window* window = FindWindowLocked(hwnd);
    return !window || !IsEnabledLocked(*window);
}

// The close box: a press on it, released on it, closes the window.
LRESULT CloseBox(HWND hwnd, UINT message, WPARAM hit) {
    bool changed, close;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return 0;
        bool pressed = message == WM_NCLBUTTONDOWN && hit == HTCLOSE;
        close = message == WM_NCLBUTTONUP && window->close_box_pressed && hit == HTCLOSE;
        changed = window->close_box_pressed != pressed;
        window->close_box_pressed = pressed;
    }
    // The box shows pressed while the button is down on it.
    if (changed) PaintFrame(hwnd);
    if (close) Send(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

void SetFrameActive(HWND hwnd, bool active) {
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window || window->frame_active == active) return;
        window->frame_active = active;
    }
    PaintFrame(hwnd);
}

// The class's background brush over the client area.
LRESULT EraseBackground(HWND hwnd, HDC dc) {
    HBRUSH brush;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return 0;
        brush = window->window_class->background;
    }
    if (!brush || !dc) return 0;
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, brush);
    return 1;
}

}  // namespace

LRESULT DefaultWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
            // An ordinal title (an icon of a static control) is not text.
            if (create && create->lpszName && !IS_INTRESOURCE(create->lpszName))
                SetText(hwnd, create->lpszName);
            return TRUE;
        }
        case WM_NCCALCSIZE:
            return CalcClient(hwnd, wparam, lparam);
        case WM_NCHITTEST:
            return HitTest(hwnd, lparam);
        case WM_SETTEXT:
            return SetText(hwnd, reinterpret_cast<LPCSTR>(lparam));
        case WM_GETTEXT:
            return GetText(hwnd, wparam, reinterpret_cast<LPSTR>(lparam));
        case WM_GETTEXTLENGTH:
            return TextLength(hwnd);
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) == SC_CLOSE) Send(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONUP:
            return CloseBox(hwnd, message, wparam);
        case WM_SYSKEYDOWN:
            if (wparam == VK_F4 && (lparam & (1 << 29))) Send(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        case WM_WINDOWPOSCHANGED:
            PositionChanged(hwnd, *reinterpret_cast<const WINDOWPOS*>(lparam));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE && !IsMinimizedOrDisabled(hwnd)) SetFocus(hwnd);
            return 0;
        case WM_NCACTIVATE:
            SetFrameActive(hwnd, wparam != 0);
            return TRUE;
        case WM_NCPAINT:
            PaintFrame(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return EraseBackground(hwnd, reinterpret_cast<HDC>(wparam));
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORSCROLLBAR:
            return reinterpret_cast<LRESULT>(
                DefaultControlColors(reinterpret_cast<HDC>(wparam), message));
        case WM_MOUSEACTIVATE:
            // A child asks its parent first.
            if (HWND parent = ParentOfChild(hwnd)) {
                LRESULT answer = Send(parent, WM_MOUSEACTIVATE, wparam, lparam);
                if (answer) return answer;
            }
            return MA_ACTIVATE;
        case WM_SETCURSOR:
            if (HWND parent = ParentOfChild(hwnd))
                if (Send(parent, WM_SETCURSOR, wparam, lparam)) return TRUE;
            if (LOWORD(lparam) == HTCLIENT) {
                HCURSOR cursor;
                {
                    std::lock_guard lock(UserLock());
                    Window* window = FindWindowLocked(hwnd);
                    cursor = window ? window->window_class->cursor : nullptr;
                }
                if (cursor) {
                    SetCursor(cursor);
                    return TRUE;
                }
            }
            return FALSE;
        case WM_CANCELMODE:
            if (GetCapture() == hwnd) ReleaseCapture();
            return 0;
        case WM_GETMINMAXINFO:
        case WM_GETDLGCODE:
        case WM_GETFONT:
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(hwnd, &paint);
            EndPaint(hwnd, &paint);
            return 0;
        }
        default:
            return 0;
    }
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return DefaultWindowProc(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    // The "A" default with the text of the message translated.
    return CallProcedure(DefWindowProcA, false, hWnd, Msg, wParam, lParam, true);
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
    WNDPROC proc;
    bool unicode;
    ResolveProcedure(lpPrevWndFunc, false, &proc, &unicode);
    return CallProcedure(proc, unicode, hWnd, Msg, wParam, lParam, false);
}

LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
    WNDPROC proc;
    bool unicode;
    ResolveProcedure(lpPrevWndFunc, true, &proc, &unicode);
    return CallProcedure(proc, unicode, hWnd, Msg, wParam, lParam, true);
}

}  // extern "C"
