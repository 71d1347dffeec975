// Waitable timers. A timer's state is worked out when someone looks at it:
// waits that include a timer sleep no longer than its due time, so no thread
// has to run for a timer to become signalled.
#include <kmxwin/trace.h>

#include "kernel/dispatcher.h"
#include "kernel/handle_table.h"

namespace kmxwin {
namespace {

class WaitableTimer : public Waitable {
  public:
    explicit WaitableTimer(bool manual_reset)
        : Waitable(ObjectType::WaitableTimer), manual_reset_(manual_reset) {}

    bool IsSignalled(const ThreadRecord&, Clock::time_point now) override {
        Advance(now);
        return signalled_;
    }
    Acquisition TryAcquire(ThreadRecord& thread, Clock::time_point now) override {
        if (!IsSignalled(thread, now)) return Acquisition::NotSignalled;
        if (!manual_reset_) signalled_ = false;
        return Acquisition::Acquired;
    }
    std::optional<Clock::time_point> DueTime() const override {
        return active_ ? std::optional(due_) : std::nullopt;
    }

    void Set(Clock::time_point due, Clock::duration period) {
        DispatcherGuard guard;
        due_ = due;
        period_ = period;
        active_ = true;
        signalled_ = false;
        NotifyWaiters(*this);  // their sleep may now be too long
    }
    // Stops the timer; its signalled state stays as it is.
    void Cancel() {
        std::lock_guard guard(DispatcherLock());
        active_ = false;
    }

  private:
    // Periods missed while nobody looked collapse into one signal, as the
    // signalled state of a timer is not a count.
    void Advance(Clock::time_point now) {
        if (!active_ || now < due_) return;
        signalled_ = true;
        if (period_ > Clock::duration::zero())
            due_ += ((now - due_) / period_ + 1) * period_;
        else
            active_ = false;
    }

    const bool manual_reset_;
    // Guarded by the dispatcher lock.
    bool signalled_ = false;
    bool active_ = false;
    Clock::time_point due_;
    Clock::duration period_{};
};

// Now as a FILETIME value.
LONGLONG FileTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) |
                                 now.dwLowDateTime);
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

KMX_TRACED(kernel, HANDLE WINAPI, CreateWaitableTimerA,
           ([[maybe_unused]] LPSECURITY_ATTRIBUTES, lpTimerAttributes), (BOOL, bManualReset),
           (LPCSTR, lpTimerName)) {
    if (lpTimerName && *lpTimerName) {
        SetLastError(ERROR_NOT_SUPPORTED);  // only mutexes can be named (synchapi.h)
        return nullptr;
    }
    HANDLE handle = InsertHandle(std::make_shared<WaitableTimer>(bManualReset));
    if (handle) SetLastError(ERROR_SUCCESS);
    return handle;
}

KMX_TRACED(kernel, BOOL WINAPI, SetWaitableTimer, (HANDLE, hTimer),
           (const LARGE_INTEGER*, lpDueTime), (LONG, lPeriod),
           (PTIMERAPCROUTINE, pfnCompletionRoutine),
           ([[maybe_unused]] LPVOID, lpArgToCompletionRoutine), ([[maybe_unused]] BOOL, fResume)) {
    TerminationPoint();
    std::shared_ptr<WaitableTimer> timer =
        LookupHandleAs<WaitableTimer>(hTimer, ObjectType::WaitableTimer);
    if (!timer) return FALSE;
    if (!lpDueTime || lPeriod < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pfnCompletionRoutine) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    // Negative: relative, in 100-ns units. Otherwise an absolute FILETIME.
    LONGLONG hundreds = lpDueTime->QuadPart < 0
                            ? -lpDueTime->QuadPart
                            : std::max(0LL, lpDueTime->QuadPart - FileTimeNow());
    auto due = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::nanoseconds(hundreds) * 100);
    timer->Set(due, std::chrono::milliseconds(lPeriod));
    return TRUE;
}

KMX_TRACED(kernel, BOOL WINAPI, CancelWaitableTimer, (HANDLE, hTimer)) {
    TerminationPoint();
    std::shared_ptr<WaitableTimer> timer =
        LookupHandleAs<WaitableTimer>(hTimer, ObjectType::WaitableTimer);
    if (!timer) return FALSE;
    timer->Cancel();
    return TRUE;
}

}  // extern "C"
