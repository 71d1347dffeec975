#include "capture/wait_service.h"

#include <new>

namespace kmx {
namespace {

constexpr DWORD kStopGrace = 1000;  // ms a worker has to end by itself

bool IsStopping(WaitService* service) {
    return InterlockedCompareExchange(&service->stopping, 0, 0) != 0;
}

// Unlinks the first entry waiting on HANDLE (any entry for a null HANDLE),
// copies it into DUE and keeps it among the spares, all under the lock. A
// stream registers its reads again after every frame; the spares spare it an
// allocation each time, and an entry is never out of both lists, so that a
// worker terminated inside the callback that follows leaves nothing behind.
bool TakeEntry(WaitService* service, HANDLE handle, WaitEntry* due) {
    EnterCriticalSection(&service->lock);
    WaitEntry** link = &service->entries;
    while (*link && handle && (*link)->handle != handle) link = &(*link)->next;
    WaitEntry* entry = *link;
    if (entry) {
        *due = *entry;
        *link = entry->next;
        entry->next = service->spares;
        service->spares = entry;
    }
    LeaveCriticalSection(&service->lock);
    return entry != nullptr;
}

// Ends the first entry waiting on HANDLE (any for a null HANDLE) with
// SHUTDOWN; whether there was one.
bool Dispatch(WaitService* service, HANDLE handle, DWORD shutdown) {
    WaitEntry due;
    if (!TakeEntry(service, handle, &due)) return false;
    due.callback(due.context, shutdown);
    return true;
}

// Calls every entry still registered with shutdown 1. Entries leave the list
// one at a time, each before its call, so that when a worker is terminated
// inside one of these calls the stopping thread finds the rest still
// registered and nothing is lost.
void ShutDownEntries(WaitService* service) {
    while (Dispatch(service, nullptr, 1)) {
    }
}

// Frees the spares; the worker has ended and no registration is under way.
void FreeSpares(WaitService* service) {
    while (WaitEntry* entry = service->spares) {
        service->spares = entry->next;
        delete entry;
    }
}

// After a failed wait: looks at the entries' handles one by one, without
// waiting, for the one that failed it. An entry whose handle no longer names
// an object (its owner closed it) can never be signalled: it ends, called as
// at a stop, so that the others are watched again. A handle found signalled
// meanwhile is dispatched as the wait would have done.
void SettleFailedWait(WaitService* service, const HANDLE* handles, DWORD count) {
    for (DWORD index = 1; index < count; ++index) {
        DWORD result = WaitForSingleObject(handles[index], 0);
        if (result == WAIT_TIMEOUT) continue;
        Dispatch(service, handles[index], result == WAIT_FAILED ? 1 : 0);
        return;
    }
}

// One pass of the worker: waits for the wake event or an entry's handle and
// dispatches what was signalled.
void WaitOnce(WaitService* service, HANDLE wake_event) {
    // Slot 0 is the wake event, so at most 63 entries are watched at a
    // time; later ones wait their turn.
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    DWORD count = 0;
    handles[count++] = wake_event;
    EnterCriticalSection(&service->lock);
    for (WaitEntry* entry = service->entries; entry && count < MAXIMUM_WAIT_OBJECTS;
         entry = entry->next)
        handles[count++] = entry->handle;
    LeaveCriticalSection(&service->lock);

    DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    DWORD index = result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count
                      ? result - WAIT_ABANDONED_0
                      : result - WAIT_OBJECT_0;
    if (result == WAIT_FAILED) {
        SettleFailedWait(service, handles, count);
    } else if (index == 0) {
        // Let go only when it woke the wait: the handles are gathered anew
        // after this, so a registration that set it meanwhile is among them.
        ResetEvent(wake_event);
    } else if (index < count) {
        Dispatch(service, handles[index], 0);
    }
}

DWORD WINAPI WaitWorker(LPVOID parameter) {
    auto* service = static_cast<WaitService*>(parameter);
    // Kept on the stack: after a callback the worker touches the service
    // only after a platform call, where a terminated worker has ended.
    HANDLE wake_event = service->wake_event;
    WaitForSingleObject(wake_event, INFINITE);
    while (!IsStopping(service)) {
        try {
            WaitOnce(service, wake_event);
        } catch (...) {
            // A wait that could not allocate: the pass is made again.
        }
    }
    ShutDownEntries(service);
    return 0;
}

}  // namespace

int StartWaitService(WaitService* service) {
    if (!service) return 0;
    service->entries = nullptr;
    service->spares = nullptr;
    // Stopped until it has started: a service that failed to start is
    // refused by AddWait and left alone by StopWaitService.
    service->stopping = 1;
    service->wake_event = nullptr;
    service->thread = nullptr;
    service->thread_id = 0;
    service->adding = 0;
    try {
        InitializeCriticalSection(&service->lock);
    } catch (...) {
        return 0;
    }
    try {
        service->wake_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DWORD thread_id = 0;
        if (service->wake_event)
            service->thread = CreateThread(nullptr, 0, WaitWorker, service, 0, &thread_id);
        if (service->thread) {
            service->thread_id = thread_id;
            SetThreadPriority(service->thread, THREAD_PRIORITY_NORMAL);
            // The worker looks at the flag only once woken, after we return.
            InterlockedExchange(&service->stopping, 0);
            return 1;
        }
    } catch (...) {
        // Out of memory: undone below.
    }
    if (service->wake_event) CloseHandle(service->wake_event);
    service->wake_event = nullptr;
    DeleteCriticalSection(&service->lock);
    return 0;
}

int AddWait(WaitService* service, WaitCallback callback, void* context, HANDLE handle) {
    if (!service) return 0;
    // Counted before the flag is looked at, so that a stop that has set it
    // waits for this call before it deletes the lock and closes the wake
    // event. The worker's own calls are not counted: the stop waits for the
    // worker itself, which may be terminated inside one.
    const bool counted = GetCurrentThreadId() != service->thread_id;
    if (counted) InterlockedIncrement(&service->adding);
    bool added = false;
    // A stopped service's lock is gone; its flag stays set.
    if (!IsStopping(service)) {
        EnterCriticalSection(&service->lock);
        if (!IsStopping(service) && callback && handle && handle != INVALID_HANDLE_VALUE) {
            WaitEntry* entry = service->spares;
            if (entry)
                service->spares = entry->next;
            else
                entry = new (std::nothrow) WaitEntry;
            if (entry) {
                *entry = WaitEntry{callback, context, handle, nullptr};
                WaitEntry** link = &service->entries;
                while (*link) link = &(*link)->next;
                *link = entry;
                added = true;
            }
        }
        LeaveCriticalSection(&service->lock);
        // The worker's own registrations come from its callbacks, before it
        // gathers the handles for its next wait: it needs no waking.
        if (added && counted) SetEvent(service->wake_event);
    }
    if (counted) InterlockedDecrement(&service->adding);
    return added ? 1 : 0;
}

int StopWaitService(WaitService* service) {
    if (!service || IsStopping(service)) return 0;
    EnterCriticalSection(&service->lock);
    InterlockedExchange(&service->stopping, 1);
    LeaveCriticalSection(&service->lock);

    int result = 0;
    if (service->thread) {
        // A worker that cannot be woken is still stopped: the lock and the
        // event go below, and it would run on with them.
        result = SetEvent(service->wake_event) ? 1 : 0;
        if (WaitForSingleObject(service->thread, kStopGrace) != WAIT_OBJECT_0) {
            // The worker ends at its next wait, which termination cuts
            // short, device requests included. Until it has ended it may
            // still touch the entries and the contexts that our caller frees
            // once we return, so it is waited for without a limit.
            TerminateThread(service->thread, 0);
            WaitForSingleObject(service->thread, INFINITE);
            ShutDownEntries(service);
        }
        CloseHandle(service->thread);
        service->thread = nullptr;
    }
    // Registrations of other threads that got past the flag before it was
    // set finish with the lock; they refuse once they see it.
    while (InterlockedCompareExchange(&service->adding, 0, 0) != 0) Sleep(0);
    FreeSpares(service);
    DeleteCriticalSection(&service->lock);
    CloseHandle(service->wake_event);
    service->wake_event = nullptr;
    return result;
}

}  // namespace kmx
