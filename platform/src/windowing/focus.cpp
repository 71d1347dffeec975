#include "windowing/focus.h"

#include "windowing/thread_queue.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <algorithm>

namespace kmxwin::win {
namespace {

HWND g_foreground = nullptr;  // guarded by UserLock()

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

HWND LiveOrNull(HWND hwnd) {
    Window* window = hwnd ? FindWindowLocked(hwnd) : nullptr;
    return window ? window->handle : nullptr;
}

// Gives the focus to HWND (nullptr: to nothing); the focus it had.
HWND ChangeFocus(ThreadQueue& queue, HWND hwnd) {
    HWND old;
    {
        std::lock_guard lock(UserLock());
        old = LiveOrNull(queue.focus);
        if (old == hwnd) return old;
        queue.focus = hwnd;
    }
    if (old) Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (!hwnd) return old;
    {
        std::lock_guard lock(UserLock());
        if (queue.focus != hwnd) return old;  // moved again meanwhile
    }
    Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

}  // namespace

HWND ForegroundLocked() {
    g_foreground = LiveOrNull(g_foreground);
    return g_foreground;
}

HWND Activate(HWND hwnd, bool by_click) {
    ThreadQueue& queue = CurrentQueue();
    HWND old;
    bool other_app;
    {
        std::lock_guard lock(UserLock());
        if (hwnd) {
            Window* window = LookupWindowLocked(hwnd);
            if (!window || window->thread_id != queue.thread_id) return nullptr;
            window = &TopLevelOf(*window);
            hwnd = window->handle;
            // The active window comes to the top of the z-order.
            UnlinkChild(*window);
            LinkChild(*window, true);
        }
        old = LiveOrNull(queue.active);
        HWND foreground = ForegroundLocked();
        if (old == hwnd) {
            if (hwnd) g_foreground = hwnd;
            return old;
        }
        Window* foreground_window = foreground ? FindWindowLocked(foreground) : nullptr;
        other_app = !foreground_window || foreground_window->thread_id != queue.thread_id;
        queue.active = hwnd;
        if (hwnd)
            g_foreground = hwnd;
        else if (foreground == old)
            g_foreground = nullptr;
    }
    if (old) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    }
    if (hwnd) {
        if (other_app) Send(hwnd, WM_ACTIVATEAPP, TRUE, 0);
        Send(hwnd, WM_NCACTIVATE, TRUE, 0);
        Send(hwnd, WM_ACTIVATE, by_click ? WA_CLICKACTIVE : WA_ACTIVE,
             reinterpret_cast<LPARAM>(old));
    }
    // A focus left in the window that lost the activation goes.
    HWND stale = nullptr;
    {
        std::lock_guard lock(UserLock());
        Window* focus = queue.focus ? FindWindowLocked(queue.focus) : nullptr;
        if (focus && TopLevelOf(*focus).handle != LiveOrNull(queue.active)) stale = focus->handle;
    }
    if (stale) ChangeFocus(queue, nullptr);
    return old;
}

void ActivateAnother(HWND leaving) {
    ThreadQueue& queue = CurrentQueue();
    HWND next = nullptr;
    {
        std::lock_guard lock(UserLock());
        if (LiveOrNull(queue.active) != leaving) return;
        Window* window = FindWindowLocked(leaving);
        Window* owner = window && window->owner ? FindWindowLocked(window->owner) : nullptr;
        auto can_take = [&](const Window* candidate) {
            return candidate && candidate != window && candidate->thread_id == queue.thread_id &&
                   IsVisibleLocked(*candidate) && IsEnabledLocked(*candidate) &&
                   !candidate->destroying;
        };
        if (can_take(owner)) {
            next = owner->handle;
        } else {
            auto& top_level = Desktop().children;
            auto found = std::find_if(top_level.begin(), top_level.end(), can_take);
            if (found != top_level.end()) next = (*found)->handle;
        }
    }
    Activate(next, false);
}

void MoveFocusFrom(HWND leaving) {
    ThreadQueue& queue = CurrentQueue();
    HWND target = nullptr;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(leaving);
        Window* focus = queue.focus ? FindWindowLocked(queue.focus) : nullptr;
        if (!window || !focus || !(focus == window || IsDescendant(*window, *focus))) return;
        if (!IsTopLevel(*window) && !window->parent->destroying) target = window->parent->handle;
    }
    SetFocus(target);
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

HWND WINAPI SetFocus(HWND hWnd) {
    ThreadQueue& queue = CurrentQueue();
    HWND previous, top = nullptr;
    bool activate = false;
    {
        std::lock_guard lock(UserLock());
        previous = LiveOrNull(queue.focus);
        if (hWnd) {
            Window* window = LookupWindowLocked(hWnd);
            if (!window) return nullptr;
            if (window->thread_id != queue.thread_id || !window->queue) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
            hWnd = window->handle;
            top = TopLevelOf(*window).handle;
            activate = LiveOrNull(queue.active) != top;
        }
    }
    if (activate) {
        Activate(top, false);
        if (!IsWindow(hWnd)) return previous;
    }
    ChangeFocus(queue, hWnd);
    return previous;
}

HWND WINAPI GetFocus(void) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    return LiveOrNull(queue.focus);
}

HWND WINAPI SetActiveWindow(HWND hWnd) {
    if (hWnd) {
        WindowPtr window = LookupWindow(hWnd);
        if (!window) return nullptr;
        if (window->thread_id != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
    }
    return Activate(hWnd, false);
}

HWND WINAPI GetActiveWindow(void) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    return LiveOrNull(queue.active);
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
    WindowPtr window = LookupWindow(hWnd);
    if (!window) return FALSE;
    HWND top;
    {
        std::lock_guard lock(UserLock());
        top = TopLevelOf(*window).handle;
    }
    if (window->thread_id == GetCurrentThreadId()) {
        Activate(top, false);
        return TRUE;
    }
    // Another thread's window becomes its thread's active window there.
    RunOnWindowThread(top, [top] { return reinterpret_cast<LRESULT>(Activate(top, false)); });
    return TRUE;
}

HWND WINAPI GetForegroundWindow(void) {
    std::lock_guard lock(UserLock());
    return ForegroundLocked();
}

}  // extern "C"
