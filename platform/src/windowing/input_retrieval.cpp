#include "windowing/input_retrieval.h"

#include "windowing/focus.h"
#include "windowing/keyboard_state.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include <stdlib.h>

namespace kmxwin::win {
namespace {

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageTo(hwnd, message, wparam, lparam, false);
}

// The deepest visible, enabled window under PT inside TOP (lock held).
Window* DeepestAt(Window& top, POINT pt) {
    Window* found = &top;
    for (;;) {
        if (!PointInRect(ScreenClientRect(*found), pt)) return found;
        Window* next = nullptr;
        for (Window* child : found->children) {
            if ((child->style & WS_VISIBLE) && IsEnabledLocked(*child) &&
                PointInRect(ScreenWindowRect(*child), pt)) {
                next = child;
                break;
            }
        }
        if (!next) return found;
        found = next;
    }
}

// The next window below SKIPPED that lies under PT: a later sibling, else
// the parent (lock held).
Window* BeneathAt(Window& skipped, POINT pt) {
    Window* parent = skipped.parent;
    if (!parent || parent == &Desktop()) return nullptr;
    auto& siblings = parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), &skipped);
    for (++it; it != siblings.end(); ++it) {
        Window* sibling = *it;
        if ((sibling->style & WS_VISIBLE) && IsEnabledLocked(*sibling) &&
            PointInRect(ScreenWindowRect(*sibling), pt))
            return DeepestAt(*sibling, pt);
    }
    return parent;
}

bool IsButtonDown(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

void PopFront(ThreadQueue& queue) {
    std::lock_guard lock(UserLock());
    queue.input.pop_front();
}

// A key or wheel event: for the focus, else for the active window. KEPT
// tells whether the event is still queued.
std::optional<MSG> TakeKey(ThreadQueue& queue, const InputEvent& event, const MessageFilter& filter,
                           bool remove, bool* kept) {
    MSG msg{nullptr, event.message, event.wparam, event.lparam, event.time, event.pt};
    std::lock_guard lock(UserLock());
    *kept = true;
    Window* focus = queue.focus ? FindWindowLocked(queue.focus) : nullptr;
    Window* active = queue.active ? FindWindowLocked(queue.active) : nullptr;
    if (focus) {
        msg.hwnd = focus->handle;
    } else if (active) {
        // Without a focus, keys go to the active window as system keys.
        msg.hwnd = active->handle;
        if (msg.message == WM_KEYDOWN) msg.message = WM_SYSKEYDOWN;
        if (msg.message == WM_KEYUP) msg.message = WM_SYSKEYUP;
    }
    if (msg.hwnd && (!filter.TakesMessage(msg.message) || !filter.TakesWindow(msg.hwnd)))
        return std::nullopt;
    if (!remove) return msg.hwnd ? std::optional<MSG>(msg) : std::nullopt;
    queue.input.pop_front();
    *kept = false;
    if (event.kind == InputEvent::Kind::Key)
        UpdateKeyState(queue.key_state, static_cast<WORD>(event.wparam),
                       msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN);
    if (!msg.hwnd) return std::nullopt;
    return msg;
}

}  // namespace

bool MessageFilter::TakesWindow(HWND target) const {
    if (!hwnd) return true;
    if (hwnd == reinterpret_cast<HWND>(-1)) return target == nullptr;
    if (!target) return false;
    if (target == hwnd) return true;
    Window* filter_window = FindWindowLocked(hwnd);
    Window* window = FindWindowLocked(target);
    return filter_window && window && IsDescendant(*filter_window, *window);
}

std::optional<MSG> TakeInputMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove) {
    for (;;) {
        InputEvent event;
        {
            std::lock_guard lock(UserLock());
            if (queue.input.empty()) return std::nullopt;
            event = queue.input.front();
        }
        if (event.kind != InputEvent::Kind::Mouse) {
            bool kept;
            std::optional<MSG> msg = TakeKey(queue, event, filter, remove, &kept);
            // A key that no window takes is dropped, and the next one looked at.
            if (msg || kept) return msg;
            continue;
        }

        // Which window the point is in, and where in it.
        HWND hwnd = nullptr;
        LRESULT hit = HTCLIENT;
        if (event.captured) {
            std::lock_guard lock(UserLock());
            if (Window* window = FindWindowLocked(event.hwnd)) hwnd = window->handle;
        } else {
            Window* candidate;
            {
                std::lock_guard lock(UserLock());
                Window* top = FindWindowLocked(event.hwnd);
                candidate = top ? DeepestAt(*top, event.pt) : nullptr;
                hwnd = candidate ? candidate->handle : nullptr;
            }
            while (hwnd) {
                hit = Send(hwnd, WM_NCHITTEST, 0, MAKELPARAM(event.pt.x, event.pt.y));
                if (hit != HTTRANSPARENT) break;
                std::lock_guard lock(UserLock());
                Window* window = FindWindowLocked(hwnd);
                Window* beneath = window ? BeneathAt(*window, event.pt) : nullptr;
                hwnd = beneath ? beneath->handle : nullptr;
            }
        }
        if (!hwnd || hit == HTNOWHERE || hit == HTERROR) {
            if (!remove) return std::nullopt;
            PopFront(queue);
            if (hit == HTERROR && IsButtonDown(event.message)) MessageBeep(0);
            continue;
        }

        bool client = hit == HTCLIENT;
        MSG msg{hwnd, event.message, event.wparam, 0, event.time, event.pt};
        if (client) {
            std::lock_guard lock(UserLock());
            Window* window = FindWindowLocked(hwnd);
            POINT origin = window ? ClientOrigin(*window) : POINT{0, 0};
            msg.lParam = MAKELPARAM(event.pt.x - origin.x, event.pt.y - origin.y);
        } else {
            msg.message = event.message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
            msg.wParam = static_cast<WPARAM>(hit);
            msg.lParam = MAKELPARAM(event.pt.x, event.pt.y);
        }

        HWND top = nullptr;
        bool activate = false, double_click = false;
        {
            std::lock_guard lock(UserLock());
            Window* window = FindWindowLocked(hwnd);
            if (IsButtonDown(event.message) && window) {
                auto& last = queue.last_click;
                int dx = abs(event.pt.x - last.pt.x), dy = abs(event.pt.y - last.pt.y);
                double_click = last.message == event.message && last.hwnd == hwnd &&
                               event.time - last.time <= GetDoubleClickTime() &&
                               dx <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                               dy <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
                if (client && !(window->window_class->style & CS_DBLCLKS)) double_click = false;
                if (remove) {
                    if (double_click)
                        last = {};
                    else
                        last = {event.message, hwnd, event.time, event.pt};
                }
                top = TopLevelOf(*window).handle;
                activate = !event.captured && queue.active != top;
            }
        }
        if (double_click) msg.message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
        if (!filter.TakesMessage(msg.message) || !filter.TakesWindow(msg.hwnd)) return std::nullopt;
        if (!remove) return msg;
        PopFront(queue);
        {
            std::lock_guard lock(UserLock());
            KeyState& keys = queue.key_state;
            if (event.message == WM_LBUTTONDOWN || event.message == WM_LBUTTONUP)
                UpdateKeyState(keys, VK_LBUTTON, event.message == WM_LBUTTONDOWN);
            if (event.message == WM_RBUTTONDOWN || event.message == WM_RBUTTONUP)
                UpdateKeyState(keys, VK_RBUTTON, event.message == WM_RBUTTONDOWN);
            if (event.message == WM_MBUTTONDOWN || event.message == WM_MBUTTONUP)
                UpdateKeyState(keys, VK_MBUTTON, event.message == WM_MBUTTONDOWN);
        }
        bool eat = false;
        if (activate) {
            LRESULT answer = Send(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                  MAKELPARAM(hit, event.message));
            if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) Activate(top, true);
            eat = answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT;
        }
        if (!event.captured)
            Send(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                 MAKELPARAM(hit, event.message));
        if (eat) continue;
        return msg;
    }
}

}  // namespace kmxwin::win
