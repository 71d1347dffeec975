#include "windowing/input_injection.h"

#include "windowing/display.h"
#include "windowing/focus.h"
#include "windowing/keyboard_state.h"
#include "windowing/mouse_state.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"

#include <algorithm>

namespace kmxwin::win {
namespace {

// The top-level window under PT (lock held).
Window* TopLevelAt(POINT pt) {
    for (Window* window : Desktop().children)
        if ((window->style & WS_VISIBLE) && PointInRect(ScreenWindowRect(*window), pt))
            return window;
    return nullptr;
}

// Queues a mouse message for the capture window or the window under the
// cursor (lock held).
void RouteMouse(UINT message, DWORD time) {
    POINT pt = CursorPosLocked();
    HWND capture = CaptureLocked();
    Window* target = capture ? FindWindowLocked(capture) : TopLevelAt(pt);
    if (!target || !target->queue) return;
    ThreadQueue& queue = *target->queue;
    WPARAM keys = MouseKeyFlags(AsyncKeyState());
    // Moves not yet taken merge into one, as on Windows; the oldest event is
    // left alone, as its thread may be reading it.
    if (message == WM_MOUSEMOVE && queue.input.size() > 1) {
        InputEvent& last = queue.input.back();
        if (last.kind == InputEvent::Kind::Mouse && last.message == WM_MOUSEMOVE &&
            last.hwnd == target->handle && last.wparam == keys) {
            last.pt = pt;
            last.time = time;
            return;
        }
    }
    queue.input.push_back(
        {InputEvent::Kind::Mouse, message, target->handle, capture != nullptr, keys, 0, pt, time});
    WakeQueue(queue, kWakeInput);
}

// Keys and the wheel go to the thread of the foreground window (lock held).
void RouteToForeground(InputEvent event) {
    HWND foreground = ForegroundLocked();
    Window* target = foreground ? FindWindowLocked(foreground) : nullptr;
    if (!target || !target->queue) return;
    target->queue->input.push_back(event);
    WakeQueue(*target->queue, kWakeInput);
}

struct ButtonChange {
    DWORD flag;
    int vk;
    bool down;
    UINT message;
};

constexpr ButtonChange kButtonChanges[] = {
    {MOUSEEVENTF_LEFTDOWN, VK_LBUTTON, true, WM_LBUTTONDOWN},
    {MOUSEEVENTF_LEFTUP, VK_LBUTTON, false, WM_LBUTTONUP},
    {MOUSEEVENTF_RIGHTDOWN, VK_RBUTTON, true, WM_RBUTTONDOWN},
    {MOUSEEVENTF_RIGHTUP, VK_RBUTTON, false, WM_RBUTTONUP},
    {MOUSEEVENTF_MIDDLEDOWN, VK_MBUTTON, true, WM_MBUTTONDOWN},
    {MOUSEEVENTF_MIDDLEUP, VK_MBUTTON, false, WM_MBUTTONUP},
};

}  // namespace

void InjectMouse(DWORD flags, POINT movement, int wheel, InputSource source) {
    DWORD time = GetTickCount();
    POINT cursor;
    bool moved = false;
    {
        std::lock_guard lock(UserLock());
        POINT before = CursorPosLocked();
        if (flags & MOUSEEVENTF_MOVE) {
            POINT target = (flags & MOUSEEVENTF_ABSOLUTE)
                               ? movement
                               : POINT{before.x + movement.x, before.y + movement.y};
            SetCursorPosLocked(target);
            cursor = CursorPosLocked();
            moved = cursor.x != before.x || cursor.y != before.y;
            if (moved) RouteMouse(WM_MOUSEMOVE, time);
        }
        cursor = CursorPosLocked();
        for (const ButtonChange& change : kButtonChanges) {
            if (!(flags & change.flag)) continue;
            UpdateKeyState(AsyncKeyState(), static_cast<WORD>(change.vk), change.down);
            RouteMouse(change.message, time);
        }
        if (flags & MOUSEEVENTF_WHEEL) {
            WPARAM wparam = MAKEWPARAM(MouseKeyFlags(AsyncKeyState()), static_cast<WORD>(wheel));
            RouteToForeground({InputEvent::Kind::Wheel, WM_MOUSEWHEEL, nullptr, false, wparam,
                               MAKELPARAM(cursor.x, cursor.y), cursor, time});
        }
    }
    if (moved && source == InputSource::Program) TheDisplay().CursorMoved(cursor);
}

void InjectKey(WORD vk, bool up, bool extended) {
    DWORD time = GetTickCount();
    std::lock_guard lock(UserLock());
    KeyState& keys = AsyncKeyState();
    bool was_down = keys[vk & 0xFF] & 0x80;
    UpdateKeyState(keys, vk, !up);
    bool alt = keys[VK_MENU] & 0x80;
    bool control = keys[VK_CONTROL] & 0x80;
    // With Alt (and not Ctrl) held, and for F10 and Alt itself, keys are
    // system keys.
    bool system = (alt && !control) || vk == VK_F10 ||
                  ((vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU) && !control);
    UINT message = system ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
    LPARAM lparam = 1 | (extended ? 1 << 24 : 0) | (alt ? 1 << 29 : 0);
    if (up)
        lparam |= (1u << 30) | (1u << 31);
    else if (was_down)
        lparam |= 1 << 30;
    POINT cursor = CursorPosLocked();
    RouteToForeground({InputEvent::Kind::Key, message, nullptr, false, vk,
                       static_cast<LPARAM>(static_cast<DWORD>(lparam)), cursor, time});
}

void InjectCursorMove(POINT pt) {
    DWORD time = GetTickCount();
    {
        std::lock_guard lock(UserLock());
        SetCursorPosLocked(pt);
        RouteMouse(WM_MOUSEMOVE, time);
        pt = CursorPosLocked();
    }
    TheDisplay().CursorMoved(pt);
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

UINT WINAPI SendInput(UINT cInputs, LPINPUT pInputs, int cbSize) {
    if (cbSize != static_cast<int>(sizeof(INPUT)) || (!pInputs && cInputs)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    SIZE screen;
    {
        std::lock_guard lock(UserLock());
        RECT desktop = Desktop().client_rect;
        screen = {desktop.right - desktop.left, desktop.bottom - desktop.top};
    }
    for (UINT i = 0; i < cInputs; ++i) {
        const INPUT& input = pInputs[i];
        if (input.type == INPUT_MOUSE) {
            const MOUSEINPUT& mouse = input.mi;
            POINT movement{mouse.dx, mouse.dy};
            if (mouse.dwFlags & MOUSEEVENTF_ABSOLUTE) {
                // Absolute coordinates span the screen as 0..65535.
                movement.x =
                    static_cast<LONG>((static_cast<long long>(mouse.dx) * screen.cx) / 65536);
                movement.y =
                    static_cast<LONG>((static_cast<long long>(mouse.dy) * screen.cy) / 65536);
            }
            InjectMouse(mouse.dwFlags, movement, static_cast<int>(mouse.mouseData),
                        InputSource::Program);
        } else if (input.type == INPUT_KEYBOARD) {
            const KEYBDINPUT& key = input.ki;
            InjectKey(key.wVk, key.dwFlags & KEYEVENTF_KEYUP, key.dwFlags & KEYEVENTF_EXTENDEDKEY);
        } else if (input.type != INPUT_HARDWARE) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return i;
        }
    }
    return cInputs;
}

}  // extern "C"
