#include "windowing/window_procedure.h"

#include "text/ansi_code_page.h"
#include "windowing/thread_queue.h"
#include "windowing/user_lock.h"
#include "windowing/window.h"

#include <string.h>

#include <string>
#include <vector>

namespace kmxwin::win {
namespace {

// Procedures handed out in the other form: a handle's low word indexes this
// list, as Windows hands out such handles for CallWindowProc.
constexpr uintptr_t kProcHandleBase = 0xFFFF0000u;

struct ProcEntry {
    WNDPROC proc;
    bool unicode;
};

std::vector<ProcEntry>& ProcHandles() {
    static auto* handles = new std::vector<ProcEntry>;
    return *handles;
}

bool IsStringInMessage(UINT message) {
    switch (message) {
        case WM_SETTEXT:
        case CB_ADDSTRING:
        case CB_INSERTSTRING:
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT:
        case CB_SELECTSTRING:
            return true;
        default:
            return false;
    }
}

bool IsCharMessage(UINT message) {
    return message == WM_CHAR || message == WM_SYSCHAR || message == WM_DEADCHAR ||
           message == WM_SYSDEADCHAR;
}

// Copies TEXT into a caller's buffer of SIZE characters, truncated and
// terminated; the characters copied.
template <class Char, class Text>
LRESULT CopyOut(Char* buffer, size_t size, const Text& source) {
    if (!buffer || size == 0) return 0;
    size_t count = std::min(source.size(), size - 1);
    std::copy(source.begin(), source.begin() + count, buffer);
    buffer[count] = 0;
    return static_cast<LRESULT>(count);
}

// An "A" caller's message to a "W" procedure.
LRESULT AnsiToUnicodeCall(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (IsStringInMessage(message) && lparam) {
        std::u16string converted = kmxwin::text::AnsiToUtf16(reinterpret_cast<const char*>(lparam));
        return proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(converted.c_str()));
    }
    if (IsCharMessage(message))
        return proc(hwnd, message, kmxwin::text::AnsiToWide(static_cast<unsigned char>(wparam)),
                    lparam);
    switch (message) {
        case WM_GETTEXT: {
            std::u16string buffer(wparam + 1, u'\0');
            proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(buffer.data()));
            return CopyOut(reinterpret_cast<char*>(lparam), wparam,
                           kmxwin::text::Utf16ToAnsi(buffer.c_str()));
        }
        case CB_GETLBTEXT: {
            LRESULT length = proc(hwnd, CB_GETLBTEXTLEN, wparam, 0);
            if (length < 0) return length;
            std::u16string buffer(length + 1, u'\0');
            proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(buffer.data()));
            std::string converted = kmxwin::text::Utf16ToAnsi(buffer.c_str());
            memcpy(reinterpret_cast<char*>(lparam), converted.c_str(), converted.size() + 1);
            return static_cast<LRESULT>(converted.size());
        }
        case WM_NCCREATE:
        case WM_CREATE: {
            auto* given = reinterpret_cast<CREATESTRUCTA*>(lparam);
            CREATESTRUCTW wide;
            memcpy(&wide, given, sizeof wide);
            std::u16string name, class_name;
            if (given->lpszName) {
                name = kmxwin::text::AnsiToUtf16(given->lpszName);
                wide.lpszName = name.c_str();
            }
            if (!IS_INTRESOURCE(given->lpszClass)) {
                class_name = kmxwin::text::AnsiToUtf16(given->lpszClass);
                wide.lpszClass = class_name.c_str();
            }
            return proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(&wide));
        }
        default:
            return proc(hwnd, message, wparam, lparam);
    }
}

// A "W" caller's message to an "A" procedure.
LRESULT UnicodeToAnsiCall(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (IsStringInMessage(message) && lparam) {
        std::string converted = kmxwin::text::Utf16ToAnsi(reinterpret_cast<LPCWSTR>(lparam));
        return proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(converted.c_str()));
    }
    if (IsCharMessage(message))
        return proc(hwnd, message, AnsiCharOf(static_cast<WCHAR>(wparam)), lparam);
    switch (message) {
        case WM_GETTEXT: {
            std::string buffer(wparam + 1, '\0');
            proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(buffer.data()));
            return CopyOut(reinterpret_cast<WCHAR*>(lparam), wparam,
                           kmxwin::text::AnsiToUtf16(buffer.c_str()));
        }
        case CB_GETLBTEXT: {
            LRESULT length = proc(hwnd, CB_GETLBTEXTLEN, wparam, 0);
            if (length < 0) return length;
            std::string buffer(length + 1, '\0');
            proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(buffer.data()));
            std::u16string converted = kmxwin::text::AnsiToUtf16(buffer.c_str());
            std::copy(converted.c_str(), converted.c_str() + converted.size() + 1,
                      reinterpret_cast<WCHAR*>(lparam));
            return static_cast<LRESULT>(converted.size());
        }
        case WM_NCCREATE:
        case WM_CREATE: {
            auto* given = reinterpret_cast<CREATESTRUCTW*>(lparam);
            CREATESTRUCTA ansi;
            memcpy(&ansi, given, sizeof ansi);
            std::string name, class_name;
            if (given->lpszName) {
                name = kmxwin::text::Utf16ToAnsi(given->lpszName);
                ansi.lpszName = name.c_str();
            }
            if (!IS_INTRESOURCE(given->lpszClass)) {
                class_name = kmxwin::text::Utf16ToAnsi(given->lpszClass);
                ansi.lpszClass = class_name.c_str();
            }
            return proc(hwnd, message, wparam, reinterpret_cast<LPARAM>(&ansi));
        }
        default:
            return proc(hwnd, message, wparam, lparam);
    }
}

// Waits for the reply to SENT, handling messages sent to this thread.
void WaitForReply(ThreadQueue& queue, const SentMessage& sent) {
    for (;;) {
        queue.wake_bits.fetch_and(~(kWakeSent | kWakeReply), std::memory_order_acq_rel);
        ReceiveSentMessages();
        {
            std::lock_guard lock(UserLock());
            if (sent.done) return;
        }
        WaitForQueue(kWakeSent | kWakeReply, std::nullopt);
    }
}

LRESULT SendToOtherThread(const std::shared_ptr<ThreadQueue>& target,
                          std::shared_ptr<SentMessage> sent) {
    std::shared_ptr<ThreadQueue> self = CurrentQueuePtr();
    sent->sender = self;
    {
        std::lock_guard lock(UserLock());
        if (!target->alive) return 0;
        target->incoming.push_back(sent);
        WakeQueue(*target, kWakeSent);
    }
    WaitForReply(*self, *sent);
    return sent->result;
}

}  // namespace

unsigned char AnsiCharOf(WCHAR c) {
    unsigned char byte;
    return kmxwin::text::WideToAnsi(c, &byte) ? byte : '?';
}

LRESULT CallProcedure(WNDPROC proc, bool proc_unicode, HWND hwnd, UINT message, WPARAM wparam,
                      LPARAM lparam, bool caller_unicode) {
    if (!proc) return 0;
    if (proc_unicode == caller_unicode) return proc(hwnd, message, wparam, lparam);
    if (proc_unicode) return AnsiToUnicodeCall(proc, hwnd, message, wparam, lparam);
    return UnicodeToAnsiCall(proc, hwnd, message, wparam, lparam);
}

WNDPROC ProcedureForCaller(WNDPROC proc, bool proc_unicode, bool caller_unicode) {
    if (!proc || proc_unicode == caller_unicode) return proc;
    std::lock_guard lock(UserLock());
    auto& handles = ProcHandles();
    size_t index = 0;
    while (index < handles.size() &&
           (handles[index].proc != proc || handles[index].unicode != proc_unicode))
        ++index;
    if (index == handles.size()) {
        if (index >= 0xFFFF) return proc;
        handles.push_back({proc, proc_unicode});
    }
    return reinterpret_cast<WNDPROC>(kProcHandleBase | index);
}

void ResolveProcedure(WNDPROC given, bool caller_unicode, WNDPROC* proc, bool* proc_unicode) {
    auto value = reinterpret_cast<uintptr_t>(given);
    if ((value & ~uintptr_t{0xFFFF}) == kProcHandleBase) {
        std::lock_guard lock(UserLock());
        auto& handles = ProcHandles();
        if ((value & 0xFFFF) < handles.size()) {
            *proc = handles[value & 0xFFFF].proc;
            *proc_unicode = handles[value & 0xFFFF].unicode;
            return;
        }
    }
    *proc = given;
    *proc_unicode = caller_unicode;
}

LRESULT SendMessageTo(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool unicode) {
    std::shared_ptr<ThreadQueue> target;
    WNDPROC proc = nullptr;
    bool proc_unicode = false;
    HWND full = nullptr;
    {
        std::lock_guard lock(UserLock());
        Window* window = LookupWindowLocked(hwnd);
        if (!window || !window->queue) return 0;
        full = window->handle;
        if (window->thread_id != GetCurrentThreadId()) {
            target = window->queue;
        } else {
            proc = window->proc;
            proc_unicode = window->unicode;
        }
    }
    if (!target) return CallProcedure(proc, proc_unicode, full, message, wparam, lparam, unicode);
    auto sent = std::make_shared<SentMessage>();
    *sent = SentMessage{full, message, wparam, lparam, unicode, nullptr, nullptr};
    return SendToOtherThread(target, std::move(sent));
}

LRESULT RunOnWindowThread(HWND hwnd, std::function<LRESULT()> call) {
    std::shared_ptr<ThreadQueue> target;
    {
        std::lock_guard lock(UserLock());
        Window* window = FindWindowLocked(hwnd);
        if (!window || !window->queue) return 0;
        if (window->thread_id != GetCurrentThreadId()) target = window->queue;
    }
    if (!target) return call();
    auto sent = std::make_shared<SentMessage>();
    *sent = SentMessage{hwnd, WM_NULL, 0, 0, false, std::move(call), nullptr};
    return SendToOtherThread(target, std::move(sent));
}

void ReceiveSentMessages() {
    ThreadQueue& queue = CurrentQueue();
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        WNDPROC proc = nullptr;
        bool proc_unicode = false;
        {
            std::lock_guard lock(UserLock());
            if (queue.incoming.empty()) return;
            sent = std::move(queue.incoming.front());
            queue.incoming.pop_front();
            Window* window = FindWindowLocked(sent->hwnd);
            if (window && window->thread_id == queue.thread_id) {
                proc = window->proc;
                proc_unicode = window->unicode;
            }
            queue.receiving.push_back(sent.get());
        }
        LRESULT result = 0;
        if (sent->system_call)
            result = sent->system_call();
        else
            result = CallProcedure(proc, proc_unicode, sent->hwnd, sent->message, sent->wparam,
                                   sent->lparam, sent->unicode);
        std::lock_guard lock(UserLock());
        queue.receiving.pop_back();
        sent->result = result;
        sent->done = true;
        WakeQueue(*sent->sender, kWakeReply);
    }
}

}  // namespace kmxwin::win
