// The dispatcher: one lock over the state of every waitable object of the
// process, and the wait that all wait functions share.
#pragma once

#include "kernel/thread_record.h"

#include <array>
#include <chrono>
#include <mutex>
#include <span>

namespace kmxwin {

std::mutex& DispatcherLock();

// Holds the dispatcher lock for a change of objects' state. The threads that
// NotifyWaiters marks meanwhile are woken once the lock is let go, so that
// none of them wakes only to find the lock still taken and sleep again.
class DispatcherGuard {
  public:
    DispatcherGuard();
    ~DispatcherGuard();
    DispatcherGuard(const DispatcherGuard&) = delete;
    DispatcherGuard& operator=(const DispatcherGuard&) = delete;

    // Wakes WAKE once the lock is let go; at once when no room is left.
    void Defer(const std::shared_ptr<WakeWord>& wake);

  private:
    static constexpr size_t kDeferred = 4;
    std::array<std::shared_ptr<WakeWord>, kDeferred> deferred_;
    size_t count_ = 0;
};

// Has the threads waiting on OBJECT look at it again: they are woken when
// the caller's DispatcherGuard is let go, or at once under a plain hold of
// the dispatcher lock. Called after the object's state changed.
void NotifyWaiters(Waitable& object);

// What WaitForObjects answers when the waiting thread was terminated. The
// caller ends the thread (EndCurrentThread) once its own frame holds nothing
// that needs destroying: ending skips the destructors of the frames it leaves.
constexpr DWORD kWaitTerminated = 0xFFFFFFFE;

// Waits for one or all of OBJECTS (at most MAXIMUM_WAIT_OBJECTS, already
// resolved from handles) until DEADLINE (none: forever). The result is a
// WaitForMultipleObjects result. With no objects it is a plain sleep that
// ends with WAIT_TIMEOUT.
DWORD WaitForObjects(std::span<Waitable* const> objects, bool wait_all,
                     std::optional<Clock::time_point> deadline);

// The deadline of a wait of MILLISECONDS from now (INFINITE: none).
std::optional<Clock::time_point> DeadlineAfter(DWORD milliseconds);

// Ends the calling thread here if TerminateThread asked for it. Called
// first thing in an API function, before it holds anything.
void TerminationPoint();

// Whether TerminateThread asked the calling thread to end. A call that
// blocks outside the dispatcher (on a device's socket, say) looks at it at
// least every kTerminationCheckPeriod and gives way: it lets go of what it
// holds and returns to its API function, which ends the thread at a
// TerminationPoint.
bool TerminationRequested();
inline constexpr std::chrono::milliseconds kTerminationCheckPeriod{20};

}  // namespace kmxwin
