#include "windowing/window_destruction.h"

#include "windowing/caret.h"
#include "windowing/display.h"
#include "windowing/focus.h"
#include "windowing/mouse_state.h"
#include "windowing/paint_state.h"
#include "windowing/thread_end.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"
#include "windowing/window_surface.h"

#include <vector>

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

std::vector<HWND> ChildrenOf(HWND hwnd) {
    std::vector<HWND> children;
    std::lock_guard lock(UserLock());
    if (Window* window = FindWindowLocked(hwnd))
        for (Window* child : window->children) children.push_back(child->handle);
    return children;
}

void SendDestroy(HWND hwnd) {
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return;
        window->destroying = true;
    }
    Send(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : ChildrenOf(hwnd)) SendDestroy(child);
}

// Takes WINDOW and everything under it out of the tree and the list (lock
// held); the top-level windows among them for the display to forget.
void Unlink(Window& window, std::vector<HWND>& top_level) {
    while (!window.children.empty()) Unlink(*window.children.front(), top_level);
    if (window.queue) {
        ThreadQueue& queue = *window.queue;
        std::erase_if(queue.timers,
                      [&](const Timer& timer) { return timer.hwnd == window.handle; });
        if (queue.focus == window.handle) queue.focus = nullptr;
        if (queue.active == window.handle) queue.active = nullptr;
    }
    ForgetCaptureLocked(window.handle);
    ForgetUpdateLocked(window);
    if (IsTopLevel(window)) top_level.push_back(window.handle);
    UnlinkChild(window);
    window.parent = nullptr;
    window.surface.reset();
    RemoveWindow(window);
}

void ForgetTopLevel(const std::vector<HWND>& top_level) {
    for (HWND hwnd : top_level) TheDisplay().WindowDestroyed(hwnd);
}

}  // namespace

void NotifyParents(HWND hwnd, WPARAM wparam) {
    for (;;) {
        HWND parent;
        {
            std::lock_guard lock(UserLock());
            Window* window = FindWindowLocked(hwnd);
            if (!window || IsTopLevel(*window) || !window->parent ||
                (window->ex_style & WS_EX_NOPARENTNOTIFY))
                return;
            parent = window->parent->handle;
        }
        Send(parent, WM_PARENTNOTIFY, wparam, reinterpret_cast<LPARAM>(hwnd));
        {
            std::lock_guard lock(UserLock());
            Window* window = FindWindowLocked(parent);
            if (!window || !(window->style & WS_CHILD)) return;
        }
        hwnd = parent;
    }
}

void FreeWindowTree(HWND hwnd) {
    for (HWND child : ChildrenOf(hwnd)) FreeWindowTree(child);
    ForgetCaretOf(hwnd);
    Send(hwnd, WM_NCDESTROY, 0, 0);
    std::vector<HWND> top_level;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window) return;
        Unlink(*window, top_level);
    }
    ForgetTopLevel(top_level);
}

void EndThreadWindowing(const std::shared_ptr<ThreadQueue>& queue) {
    std::vector<HWND> top_level;
    {
        std::lock_guard lock(UserLock());
        queue->alive = false;
        ForgetQueue(*queue);
        for (const WindowPtr& window : WindowsOfThread(queue->thread_id))
            if (!window->destroyed) Unlink(*window, top_level);
        for (auto& sent : queue->incoming) {
            sent->done = true;
            WakeQueue(*sent->sender, kWakeReply);
        }
        queue->incoming.clear();
    }
    ForgetTopLevel(top_level);
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

BOOL WINAPI DestroyWindow(HWND hWnd) {
    bool child, visible;
    WPARAM notify;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return FALSE;
        if (!window->queue || window->thread_id != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (window->destroying) return TRUE;
        hWnd = window->handle;
        child = !IsTopLevel(*window);
        visible = window->style & WS_VISIBLE;
        notify = MAKEWPARAM(WM_DESTROY, LOWORD(window->id));
    }
    if (child) NotifyParents(hWnd, notify);
    if (!IsWindow(hWnd)) return TRUE;
    if (visible)
        SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    ActivateAnother(hWnd);
    MoveFocusFrom(hWnd);
    if (!child) {
        // Owned windows go first.
        std::vector<HWND> owned;
        {
            std::lock_guard lock(UserLock());
            for (Window* top : Desktop().children)
                if (top->owner == hWnd && top->thread_id == GetCurrentThreadId())
                    owned.push_back(top->handle);
        }
        for (HWND window : owned) DestroyWindow(window);
    }
    if (!IsWindow(hWnd)) return TRUE;
    ReleaseCaptureWithin(hWnd);
    SendDestroy(hWnd);
    FreeWindowTree(hWnd);
    return TRUE;
}

}  // extern "C"
