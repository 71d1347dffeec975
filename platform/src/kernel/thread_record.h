// Per-thread state of the platform: how a thread blocks in a wait, what it
// owns, and the kernel object that its thread handles refer to.
#pragma once

#include "kernel/kernel_object.h"
#include "kernel/wake_word.h"

#include <sys/types.h>

#include <atomic>
#include <csetjmp>
#include <memory>
#include <vector>

namespace kmxwin {

class ThreadObject;

struct ThreadRecord {
    pid_t tid = 0;

    // A thread blocked in a wait sleeps on its own wake word; whoever
    // changes an object it waits on sets `notified` under the dispatcher
    // lock and wakes it. Shared, so that a waker that has let go of the lock
    // can still wake it when the thread has ended meanwhile.
    std::shared_ptr<WakeWord> wake = std::make_shared<WakeWord>();
    bool notified = false;

    // Set by TerminateThread; the thread ends at its next termination point.
    std::atomic<bool> terminate_requested{false};
    DWORD terminate_code = 0;

    // Mutexes the thread owns; abandoned when it ends.
    std::vector<std::shared_ptr<Ownable>> owned;

    // The object behind the thread's handles: made by CreateThread, or on
    // demand for threads the platform did not start.
    std::shared_ptr<ThreadObject> object;

    // Set on threads started by CreateThread: where ExitThread and
    // termination leave the thread's own frames.
    std::jmp_buf* exit_jump = nullptr;
    DWORD exit_code = 0;

    // ThreadEnded has run.
    bool ended = false;
};

// Takes MUTEX off THREAD's list of owned mutexes and returns the list's
// reference, for the caller to drop once it has left the dispatcher lock.
std::shared_ptr<Ownable> DisownedBy(ThreadRecord& thread, const Ownable& mutex);

// The calling thread's record, made on first use and ended when the thread
// ends.
ThreadRecord& CurrentThread();

// The calling thread's kernel object (made on first use).
std::shared_ptr<ThreadObject> CurrentThreadObject();

class ThreadObject : public Waitable {
  public:
    ThreadObject() : Waitable(ObjectType::Thread) {}

    bool IsSignalled(const ThreadRecord&, Clock::time_point) override { return ended; }
    Acquisition TryAcquire(ThreadRecord& thread, Clock::time_point now) override {
        return IsSignalled(thread, now) ? Acquisition::Acquired : Acquisition::NotSignalled;
    }

    // Guarded by the dispatcher lock.
    ThreadRecord* record = nullptr;  // while the thread runs
    pid_t tid = 0;
    bool ended = false;
    DWORD exit_code = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;
};

// Runs the end of a thread: its mutexes are abandoned and its handle is
// signalled with EXIT_CODE. Runs once; later calls do nothing.
void ThreadEnded(ThreadRecord& thread, DWORD exit_code);

// Work that a thread's end does first, while the thread's frames still
// stand when it is ended by ExitThread or TerminateThread: the device files
// cancel the requests it issued, as Windows cancels a thread's I/O when it
// ends. Set once, by the part of the platform that needs it.
using ThreadEndWork = void (*)(DWORD thread_id);
void SetThreadEndWork(ThreadEndWork work);

// Ends the calling thread without returning into its own code: through the
// CreateThread start frame, or pthread_exit for other threads.
[[noreturn]] void EndCurrentThread(DWORD exit_code);

}  // namespace kmxwin
