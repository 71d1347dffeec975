#include "windowing/timers.h"

#include "windowing/mouse_state.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"

#include <algorithm>

namespace kmxwin::win {
namespace {

using Clock = std::chrono::steady_clock;

// Ids of timers without a window are the system's to choose; Windows hands
// out small numbers.
UINT_PTR g_next_thread_timer = 1;  // guarded by UserLock()

UINT ClampInterval(UINT interval) {
    return std::clamp<UINT>(interval, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
}

}  // namespace

std::optional<MSG> TakeTimerMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove) {
    if (!filter.TakesMessage(WM_TIMER)) return std::nullopt;
    Clock::time_point now = Clock::now();
    for (Timer& timer : queue.timers) {
        if (timer.due > now || !filter.TakesWindow(timer.hwnd)) continue;
        MSG msg{timer.hwnd,     WM_TIMER,         timer.id, reinterpret_cast<LPARAM>(timer.proc),
                GetTickCount(), CursorPosLocked()};
        if (remove) timer.due = now + std::chrono::milliseconds(timer.interval);
        return msg;
    }
    return std::nullopt;
}

std::optional<Clock::time_point> NextTimerDue(ThreadQueue& queue, const MessageFilter& filter) {
    if (!filter.TakesMessage(WM_TIMER)) return std::nullopt;
    std::optional<Clock::time_point> next;
    for (const Timer& timer : queue.timers)
        if (filter.TakesWindow(timer.hwnd) && (!next || timer.due < *next)) next = timer.due;
    return next;
}

}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    if (hWnd) {
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return 0;
        if (window->thread_id != queue.thread_id) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        hWnd = window->handle;
    }
    UINT interval = ClampInterval(uElapse);
    auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(interval);
    if (hWnd) {
        // Setting a window's timer again replaces it.
        for (Timer& timer : queue.timers) {
            if (timer.hwnd == hWnd && timer.id == nIDEvent) {
                timer.interval = interval;
                timer.proc = lpTimerFunc;
                timer.due = due;
                return nIDEvent;
            }
        }
        queue.timers.push_back({hWnd, nIDEvent, interval, lpTimerFunc, due});
        return nIDEvent;
    }
    // A thread timer: a given id that names one of its timers replaces it,
    // else a new id.
    for (Timer& timer : queue.timers) {
        if (!timer.hwnd && nIDEvent && timer.id == nIDEvent) {
            timer.interval = interval;
            timer.proc = lpTimerFunc;
            timer.due = due;
            return nIDEvent;
        }
    }
    UINT_PTR id;
    do {
        id = g_next_thread_timer++;
        if (g_next_thread_timer > 0x7FFF) g_next_thread_timer = 1;
    } while (std::any_of(queue.timers.begin(), queue.timers.end(),
                         [id](const Timer& timer) { return !timer.hwnd && timer.id == id; }));
    queue.timers.push_back({nullptr, id, interval, lpTimerFunc, due});
    return id;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    if (hWnd) {
        Window* window = LookupWindowLocked(hWnd);
        if (!window) return FALSE;
        hWnd = window->handle;
    }
    auto removed = std::erase_if(queue.timers, [&](const Timer& timer) {
        return timer.hwnd == hWnd && timer.id == uIDEvent;
    });
    if (!removed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
