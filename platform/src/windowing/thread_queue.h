// A thread's message queue and input state. A thread has one from its first
// use of the window system until it ends; its windows belong to it.
//
// The queue is a waitable object of the kernel's dispatcher: a thread
// waiting for messages sleeps in the same wait as the other wait functions,
// so that termination and timeouts behave alike. Everything but the wake
// bits is guarded by UserLock().
#pragma once

#include "kernel/kernel_object.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace kmxwin::win {

class ThreadQueue;

// Why a sleeping queue owner should look again.
enum WakeBits : unsigned {
    kWakePosted = 1,
    kWakeSent = 2,
    kWakeInput = 4,
    kWakePaint = 8,
    kWakeReply = 16,
};

struct PostedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    DWORD time;
    POINT pt;
    bool unicode;  // a "W" character message
};

// Mouse and keyboard input waiting for its thread. A mouse event names the
// top-level window under the cursor, or the capture window; which child and
// which message it becomes is decided when the thread takes it, as Windows
// decides it. A key event goes to the thread's focus when it is taken.
struct InputEvent {
    enum class Kind { Mouse, Key, Wheel } kind;
    UINT message;  // a client mouse message, or WM_KEYDOWN / WM_KEYUP
    HWND hwnd;     // mouse: the window the point was found in
    bool captured;
    WPARAM wparam;  // key: the virtual key; mouse: the MK_* flags; wheel: both
    LPARAM lparam;  // key: repeat count, scan code and flags
    POINT pt;       // screen coordinates
    DWORD time;
};

// A message sent from another thread, waiting for its reply. A system call
// (run on the window's thread instead of its procedure) is carried the same
// way.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool unicode;
    std::function<LRESULT()> system_call;
    std::shared_ptr<ThreadQueue> sender;
    LRESULT result = 0;
    bool done = false;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval;
    TIMERPROC proc;
    std::chrono::steady_clock::time_point due;
};

class ThreadQueue : public Waitable {
  public:
    explicit ThreadQueue(DWORD thread) : Waitable(ObjectType::MessageQueue), thread_id(thread) {}

    bool IsSignalled(const ThreadRecord&, Clock::time_point) override {
        return (wake_bits.load(std::memory_order_acquire) & wake_mask) != 0;
    }
    Acquisition TryAcquire(ThreadRecord& thread, Clock::time_point now) override {
        return IsSignalled(thread, now) ? Acquisition::Acquired : Acquisition::NotSignalled;
    }

    const DWORD thread_id;
    std::atomic<unsigned> wake_bits{0};
    unsigned wake_mask = ~0u;  // what the owner waits for; set only by the owner

    // Guarded by UserLock().
    bool alive = true;
    std::deque<PostedMessage> posted;
    std::deque<InputEvent> input;
    std::deque<std::shared_ptr<SentMessage>> incoming;
    std::vector<SentMessage*> receiving;  // sent messages being handled, innermost last
    std::vector<Timer> timers;
    bool quit = false;
    int quit_code = 0;
    int windows_to_paint = 0;
    HWND focus = nullptr;
    HWND active = nullptr;
    int cursor_count = 0;
    std::array<BYTE, 256> key_state{};  // as of the last input message taken
    DWORD message_time = 0;
    POINT message_pos{};
    struct {
        UINT message = 0;
        HWND hwnd = nullptr;
        DWORD time = 0;
        POINT pt{};
    } last_click;
};

// The calling thread's queue, made on first use.
ThreadQueue& CurrentQueue();
std::shared_ptr<ThreadQueue> CurrentQueuePtr();

// The queue of thread THREAD, if it has one. Called with UserLock() held.
std::shared_ptr<ThreadQueue> QueueOfThread(DWORD thread);

// Marks BITS on QUEUE and wakes its thread if it waits. May be called with
// UserLock() held.
void WakeQueue(ThreadQueue& queue, unsigned bits);

// Waits until the calling thread's queue has one of the wake bits MASK or
// DEADLINE passes; ends the thread if it was terminated meanwhile. False on
// timeout. The caller clears the bits it has dealt with.
bool WaitForQueue(unsigned mask, std::optional<std::chrono::steady_clock::time_point> deadline);

}  // namespace kmxwin::win
