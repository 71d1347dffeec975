#include "kernel/dispatcher.h"

#include <kmxwin/trace.h>

#include "kernel/handle_table.h"

#include <sched.h>

#include <algorithm>
#include <array>

namespace kmxwin {
namespace {

// How long a wait that includes a polled object sleeps between looks at it:
// short at first, so that a release soon after the wait began is seen soon.
constexpr auto kFirstPoll = std::chrono::microseconds(500);
constexpr auto kLongestPoll = std::chrono::milliseconds(8);

DWORD Result(DWORD base, size_t index) {
    return base + static_cast<DWORD>(index);
}

// Completes the wait if it can be completed now; called with the lock held.
std::optional<DWORD> TrySatisfy(std::span<Waitable* const> objects, bool wait_all,
                                ThreadRecord& self, Clock::time_point now) {
    if (!wait_all) {
        for (size_t i = 0; i < objects.size(); ++i) {
            switch (objects[i]->TryAcquire(self, now)) {
                case Acquisition::Acquired:
                    return Result(WAIT_OBJECT_0, i);
                case Acquisition::Abandoned:
                    return Result(WAIT_ABANDONED_0, i);
                case Acquisition::NotSignalled:
                    break;
            }
        }
        return std::nullopt;
    }
    // All at once: the objects of this process are checked first, then the
    // polled ones are taken one by one and given back if one is missing.
    for (Waitable* object : objects)
        if (!object->IsPolled() && !object->IsSignalled(self, now)) return std::nullopt;
    std::optional<size_t> abandoned;
    for (size_t i = 0; i < objects.size(); ++i) {
        if (!objects[i]->IsPolled()) continue;
        Acquisition taken = objects[i]->TryAcquire(self, now);
        if (taken == Acquisition::NotSignalled) {
            for (size_t j = 0; j < i; ++j)
                if (objects[j]->IsPolled()) objects[j]->Unacquire(self);
            return std::nullopt;
        }
        if (taken == Acquisition::Abandoned && !abandoned) abandoned = i;
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->IsPolled()) continue;
        if (objects[i]->TryAcquire(self, now) == Acquisition::Abandoned &&
            (!abandoned || i < *abandoned))
            abandoned = i;
    }
    return abandoned ? Result(WAIT_ABANDONED_0, *abandoned) : WAIT_OBJECT_0;
}

// The object behind a handle given to a wait function, or nullptr with the
// last error set.
std::shared_ptr<Waitable> ResolveWaitable(HANDLE handle) {
    if (handle == GetCurrentThread()) return CurrentThreadObject();
    std::shared_ptr<Waitable> object = std::dynamic_pointer_cast<Waitable>(LookupHandle(handle));
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace

std::mutex& DispatcherLock() {
    // Never destroyed: other threads may still wait while the process exits.
    static std::mutex* lock = new std::mutex;
    return *lock;
}

namespace {

// The DispatcherGuard the calling thread holds, if any.
thread_local DispatcherGuard* t_guard = nullptr;

}  // namespace

DispatcherGuard::DispatcherGuard() {
    DispatcherLock().lock();
    t_guard = this;
}

DispatcherGuard::~DispatcherGuard() {
    t_guard = nullptr;
    DispatcherLock().unlock();
    for (size_t i = 0; i < count_; ++i) deferred_[i]->Wake();
}

void DispatcherGuard::Defer(const std::shared_ptr<WakeWord>& wake) {
    if (count_ < kDeferred)
        deferred_[count_++] = wake;
    else
        wake->Wake();
}

void NotifyWaiters(Waitable& object) {
    for (ThreadRecord* waiter : object.waiters) {
        waiter->notified = true;
        if (t_guard)
            t_guard->Defer(waiter->wake);
        else
            waiter->wake->Wake();
    }
}

std::optional<Clock::time_point> DeadlineAfter(DWORD milliseconds) {
    if (milliseconds == INFINITE) return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

void TerminationPoint() {
    ThreadRecord& self = CurrentThread();
    if (self.terminate_requested.load(std::memory_order_acquire))
        EndCurrentThread(self.terminate_code);
}

bool TerminationRequested() {
    return CurrentThread().terminate_requested.load(std::memory_order_acquire);
}

DWORD WaitForObjects(std::span<Waitable* const> objects, bool wait_all,
                     std::optional<Clock::time_point> deadline) {
    ThreadRecord& self = CurrentThread();
    if (objects.size() == 1 && objects[0]->IsPolled()) {
        if (std::optional<DWORD> result = objects[0]->WaitAlone(self, deadline)) return *result;
    }

    auto poll = std::chrono::duration_cast<Clock::duration>(kFirstPoll);
    std::unique_lock lock(DispatcherLock());
    for (;;) {
        if (self.terminate_requested.load(std::memory_order_acquire)) return kWaitTerminated;
        Clock::time_point now = Clock::now();
        if (std::optional<DWORD> result = TrySatisfy(objects, wait_all, self, now)) return *result;
        if (deadline && now >= *deadline) return WAIT_TIMEOUT;

        std::optional<Clock::time_point> wake_at = deadline;
        auto earlier = [&wake_at](Clock::time_point t) {
            if (!wake_at || t < *wake_at) wake_at = t;
        };
        bool polled = false;
        for (Waitable* object : objects) {
            if (std::optional<Clock::time_point> due = object->DueTime()) earlier(*due);
            polled = polled || object->IsPolled();
        }
        if (polled) {
            earlier(now + poll);
            poll = std::min<Clock::duration>(poll * 2, kLongestPoll);
        }

        for (Waitable* object : objects) object->waiters.push_back(&self);
        self.notified = false;
        bool in_time = true;
        while (in_time && !self.notified &&
               !self.terminate_requested.load(std::memory_order_relaxed)) {
            uint32_t seen = self.wake->Value();
            lock.unlock();
            in_time = self.wake->Sleep(seen, wake_at);
            lock.lock();
        }
        for (Waitable* object : objects) std::erase(object->waiters, &self);
    }
}

namespace {

DWORD WaitForHandles(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    // The objects are held for the whole wait, as Windows does: a handle
    // closed meanwhile by another thread does not end the wait.
    std::array<std::shared_ptr<Waitable>, MAXIMUM_WAIT_OBJECTS> held;
    std::array<Waitable*, MAXIMUM_WAIT_OBJECTS> objects;
    for (DWORD i = 0; i < count; ++i) {
        held[i] = ResolveWaitable(handles[i]);
        if (!held[i]) return WAIT_FAILED;
        objects[i] = held[i].get();
        if (wait_all &&
            std::find(objects.begin(), objects.begin() + i, objects[i]) != objects.begin() + i) {
            // The same object twice in a wait for all of them.
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
    }
    return WaitForObjects(std::span(objects.data(), count), wait_all != FALSE,
                          DeadlineAfter(milliseconds));
}

// Hands the wait's result to the caller, or ends the thread when the wait
// ended because the thread was terminated.
DWORD Finish(DWORD result) {
    if (result == kWaitTerminated) EndCurrentThread(CurrentThread().terminate_code);
    return result;
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

KMX_TRACED(kernel, DWORD WINAPI, WaitForMultipleObjects, (DWORD, nCount),
           (const HANDLE*, lpHandles), (BOOL, bWaitAll), (DWORD, dwMilliseconds)) {
    TerminationPoint();
    return Finish(WaitForHandles(nCount, lpHandles, bWaitAll, dwMilliseconds));
}

KMX_TRACED(kernel, DWORD WINAPI, WaitForSingleObject, (HANDLE, hHandle), (DWORD, dwMilliseconds)) {
    TerminationPoint();
    return Finish(WaitForHandles(1, &hHandle, FALSE, dwMilliseconds));
}

KMX_TRACED(kernel, void WINAPI, Sleep, (DWORD, dwMilliseconds)) {
    TerminationPoint();
    if (dwMilliseconds == 0)
        sched_yield();
    else
        Finish(WaitForObjects({}, false, DeadlineAfter(dwMilliseconds)));
}

}  // extern "C"
