// Posting, sending and taking messages: PostMessage, SendMessage,
// GetMessage, PeekMessage and DispatchMessage. A thread takes, in this
// order: messages sent to it from other threads (handled at once), posted
// messages, WM_QUIT, input, WM_PAINT and WM_TIMER.
#include "text/ansi_code_page.h"
#include "windowing/input_retrieval.h"
#include "windowing/message_filter.h"
#include "windowing/mouse_state.h"
#include "windowing/thread_queue.h"
#include "windowing/timers.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"
#include "windowing/window_procedure.h"

#include "kernel/dispatcher.h"

#include <algorithm>

namespace kmxwin::win {
namespace {

bool IsCharMessage(UINT message) {
    return message == WM_CHAR || message == WM_SYSCHAR || message == WM_DEADCHAR ||
           message == WM_SYSDEADCHAR;
}

// The first window of QUEUE that waits for WM_PAINT and FILTER takes, parents
// before their children (lock held).
Window* WindowToPaint(ThreadQueue& queue, const MessageFilter& filter, Window& under) {
    for (Window* child : under.children) {
        if (!(child->style & WS_VISIBLE)) continue;
        if (child->needs_paint && child->queue.get() == &queue && filter.TakesWindow(child->handle))
            return child;
        if (Window* found = WindowToPaint(queue, filter, *child)) return found;
    }
    return nullptr;
}

bool Post(ThreadQueue& queue, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool unicode) {
    if (!queue.alive) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return false;
    }
    queue.posted.push_back(
        {hwnd, message, wparam, lparam, GetTickCount(), CursorPosLocked(), unicode});
    WakeQueue(queue, kWakePosted);
    return true;
}

BOOL PostTo(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool unicode) {
    if (!hwnd) {
        ThreadQueue& queue = CurrentQueue();
        std::lock_guard lock(UserLock());
        return Post(queue, nullptr, message, wparam, lparam, unicode);
    }
    std::lock_guard lock(UserLock());
    Window* window = LookupWindowLocked(hwnd);
    if (!window) return FALSE;
    if (!window->queue) return TRUE;  // the desktop takes and drops everything
    return Post(*window->queue, window->handle, message, wparam, lparam, unicode);
}

BOOL PostToThread(DWORD thread, UINT message, WPARAM wparam, LPARAM lparam, bool unicode) {
    std::lock_guard lock(UserLock());
    std::shared_ptr<ThreadQueue> queue = QueueOfThread(thread);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return Post(*queue, nullptr, message, wparam, lparam, unicode);
}

// Looks for a message once. Lock not held; messages sent from other threads
// are handled first.
bool PeekOnce(MSG* msg, const MessageFilter& filter, bool remove, bool unicode) {
    ThreadQueue& queue = CurrentQueue();
    queue.wake_bits.store(0, std::memory_order_release);
    ReceiveSentMessages();
    {
        std::lock_guard lock(UserLock());
        bool found = false;
        auto posted = std::find_if(queue.posted.begin(), queue.posted.end(), [&](auto& candidate) {
            return filter.TakesMessage(candidate.message) && filter.TakesWindow(candidate.hwnd);
        });
        if (posted != queue.posted.end()) {
            *msg = {posted->hwnd,   posted->message, posted->wparam,
                    posted->lparam, posted->time,    posted->pt};
            if (IsCharMessage(msg->message) && posted->unicode != unicode)
                msg->wParam =
                    unicode ? kmxwin::text::AnsiToWide(static_cast<unsigned char>(msg->wParam))
                            : AnsiCharOf(static_cast<WCHAR>(msg->wParam));
            if (remove) queue.posted.erase(posted);
            found = true;
        } else if (queue.quit) {
            // WM_QUIT comes whatever the filter says.
            *msg = {nullptr, WM_QUIT,        static_cast<WPARAM>(queue.quit_code),
                    0,       GetTickCount(), CursorPosLocked()};
            if (remove) queue.quit = false;
            found = true;
        }
        if (found) {
            queue.message_time = msg->time;
            queue.message_pos = msg->pt;
            return true;
        }
    }
    if (std::optional<MSG> input = TakeInputMessage(queue, filter, remove)) {
        *msg = *input;
        std::lock_guard lock(UserLock());
        queue.message_time = msg->time;
        queue.message_pos = msg->pt;
        return true;
    }
    std::lock_guard lock(UserLock());
    if (queue.windows_to_paint > 0 && filter.TakesMessage(WM_PAINT)) {
        if (Window* window = WindowToPaint(queue, filter, Desktop())) {
            *msg = {window->handle, WM_PAINT, 0, 0, GetTickCount(), CursorPosLocked()};
            return true;
        }
    }
    if (std::optional<MSG> timer = TakeTimerMessage(queue, filter, remove)) {
        *msg = *timer;
        return true;
    }
    return false;
}

BOOL Peek(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT flags, bool unicode) {
    kmxwin::TerminationPoint();
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !IsWindow(hwnd)) return FALSE;
    return PeekOnce(msg, {hwnd, first, last}, flags & PM_REMOVE, unicode);
}

BOOL Get(LPMSG msg, HWND hwnd, UINT first, UINT last, bool unicode) {
    kmxwin::TerminationPoint();
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !IsWindow(hwnd)) return -1;
    MessageFilter filter{hwnd, first, last};
    ThreadQueue& queue = CurrentQueue();
    for (;;) {
        if (PeekOnce(msg, filter, true, unicode)) return msg->message != WM_QUIT;
        std::optional<std::chrono::steady_clock::time_point> due;
        {
            std::lock_guard lock(UserLock());
            due = NextTimerDue(queue, filter);
        }
        WaitForQueue(~0u, due);
    }
}

LRESULT Dispatch(const MSG* msg, bool unicode) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam) {
        // Only a timer that exists calls its procedure.
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        bool exists;
        {
            ThreadQueue& queue = CurrentQueue();
            std::lock_guard lock(UserLock());
            exists = std::any_of(queue.timers.begin(), queue.timers.end(), [&](const Timer& timer) {
                return timer.hwnd == msg->hwnd && timer.id == msg->wParam && timer.proc == proc;
            });
        }
        if (exists) proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd) return 0;
    WNDPROC proc;
    bool proc_unicode;
    HWND hwnd;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(msg->hwnd);
        if (!window) return 0;
        if (window->thread_id != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        proc = window->proc;
        proc_unicode = window->unicode;
        hwnd = window->handle;
    }
    return CallProcedure(proc, proc_unicode, hwnd, msg->message, msg->wParam, msg->lParam, unicode);
}

}  // namespace
}  // namespace kmxwin::win

using namespace kmxwin::win;

extern "C" {

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return SendMessageTo(hWnd, Msg, wParam, lParam, false);
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return SendMessageTo(hWnd, Msg, wParam, lParam, true);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostTo(hWnd, Msg, wParam, lParam, false);
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostTo(hWnd, Msg, wParam, lParam, true);
}

BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostToThread(idThread, Msg, wParam, lParam, false);
}

BOOL WINAPI PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostToThread(idThread, Msg, wParam, lParam, true);
}

void WINAPI PostQuitMessage(int nExitCode) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    queue.quit = true;
    queue.quit_code = nExitCode;
    WakeQueue(queue, kWakePosted);
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    return Get(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, false);
}

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    return Get(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true);
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    return Peek(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg, false);
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    return Peek(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg, true);
}

BOOL WINAPI WaitMessage(void) {
    kmxwin::TerminationPoint();
    ThreadQueue& queue = CurrentQueue();
    ReceiveSentMessages();
    std::optional<std::chrono::steady_clock::time_point> due;
    {
        std::lock_guard lock(UserLock());
        due = NextTimerDue(queue, {nullptr, 0, 0});
    }
    WaitForQueue(~0u, due);
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    return Dispatch(lpMsg, false);
}

LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    return Dispatch(lpMsg, true);
}

BOOL WINAPI InSendMessage(void) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    return !queue.receiving.empty();
}

DWORD WINAPI GetMessagePos(void) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    return MAKELONG(queue.message_pos.x, queue.message_pos.y);
}

LONG WINAPI GetMessageTime(void) {
    ThreadQueue& queue = CurrentQueue();
    std::lock_guard lock(UserLock());
    return static_cast<LONG>(queue.message_time);
}

}  // extern "C"
