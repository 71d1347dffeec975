#include "capture/wait_service.h"

#include <new>

namespace kmx {
namespace {

constexpr DWORD kStopGrace = 1000;  // ms a worker has to end by itself
// After TerminateThread, how long to let the worker reach the point where it
// ends (termination is not instantaneous on every platform).
constexpr DWORD kTerminateGrace = 1000;
// A pass whose wait failed (a handle closed under a pending entry) waits this
// long for the wake event before the next pass, rather than spin.
constexpr DWORD kFailedPassPause = 50;

bool IsStopping(WaitService* service) {
    return InterlockedCompareExchange(&service->stopping, 0, 0) != 0;
}

// Unlinks the first entry of the list, or null.
WaitEntry* UnlinkHead(WaitService* service) {
    EnterCriticalSection(&service->lock);
    WaitEntry* entry = service->entries;
    if (entry) service->entries = entry->next;
    LeaveCriticalSection(&service->lock);
    return entry;
}

// Calls every entry still registered with shutdown 1 and frees it. Entries
// leave the list one at a time, each freed before its call, so that when a
// worker is terminated inside one of these calls the stopping thread finds
// the rest still registered and nothing is lost or leaked.
void ShutDownEntries(WaitService* service) {
    while (WaitEntry* entry = UnlinkHead(service)) {
        WaitEntry due = *entry;
        delete entry;
        due.callback(due.context, 1);
    }
}

// Unlinks the first entry waiting on HANDLE, or null.
WaitEntry* UnlinkFirst(WaitService* service, HANDLE handle) {
    EnterCriticalSection(&service->lock);
    WaitEntry** link = &service->entries;
    while (*link && (*link)->handle != handle) link = &(*link)->next;
    WaitEntry* entry = *link;
    if (entry) *link = entry->next;
    LeaveCriticalSection(&service->lock);
    return entry;
}

DWORD WINAPI WaitWorker(LPVOID parameter) {
    auto* service = static_cast<WaitService*>(parameter);
    // Kept on the stack: after a callback the worker touches the service
    // only after a platform call, where a terminated worker has ended.
    HANDLE wake_event = service->wake_event;
    WaitForSingleObject(wake_event, INFINITE);
    while (!IsStopping(service)) {
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
            WaitForSingleObject(wake_event, kFailedPassPause);
        } else if (index >= 1 && index < count) {
            if (WaitEntry* entry = UnlinkFirst(service, handles[index])) {
                // Freed before the call: a worker terminated inside its
                // callback then leaves nothing behind.
                WaitEntry due = *entry;
                delete entry;
                due.callback(due.context, 0);
            }
        }
        ResetEvent(wake_event);
    }
    ShutDownEntries(service);
    return 0;
}

}  // namespace

int StartWaitService(WaitService* service) {
    if (!service) return 0;
    service->entries = nullptr;
    service->stopping = 0;
    service->thread = nullptr;
    service->thread_id = 0;
    // The lock exists before the worker does, so that a service that failed
    // to start can still be looked at safely.
    InitializeCriticalSection(&service->lock);
    service->wake_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (service->wake_event) {
        DWORD thread_id = 0;
        service->thread = CreateThread(nullptr, 0, WaitWorker, service, 0, &thread_id);
        if (service->thread) {
            service->thread_id = thread_id;
            SetThreadPriority(service->thread, THREAD_PRIORITY_NORMAL);
            return 1;
        }
        CloseHandle(service->wake_event);
        service->wake_event = nullptr;
    }
    DeleteCriticalSection(&service->lock);
    InterlockedExchange(&service->stopping, 1);
    return 0;
}

int AddWait(WaitService* service, WaitCallback callback, void* context, HANDLE handle) {
    // A stopped service's lock is gone; its flag stays set.
    if (!service || IsStopping(service)) return 0;
    bool added = false;
    EnterCriticalSection(&service->lock);
    if (!IsStopping(service) && callback && handle && handle != INVALID_HANDLE_VALUE) {
        if (auto* entry = new (std::nothrow) WaitEntry{callback, context, handle, nullptr}) {
            WaitEntry** link = &service->entries;
            while (*link) link = &(*link)->next;
            *link = entry;
            added = true;
        }
    }
    LeaveCriticalSection(&service->lock);
    if (added) SetEvent(service->wake_event);
    return added ? 1 : 0;
}

int StopWaitService(WaitService* service) {
    if (!service || IsStopping(service)) return 0;
    EnterCriticalSection(&service->lock);
    InterlockedExchange(&service->stopping, 1);
    LeaveCriticalSection(&service->lock);

    int result = 0;
    if (service->thread && SetEvent(service->wake_event)) {
        if (WaitForSingleObject(service->thread, kStopGrace) != WAIT_OBJECT_0) {
            TerminateThread(service->thread, 0);
            WaitForSingleObject(service->thread, kTerminateGrace);
            ShutDownEntries(service);
        }
        CloseHandle(service->thread);
        service->thread = nullptr;
        result = 1;
    }
    DeleteCriticalSection(&service->lock);
    CloseHandle(service->wake_event);
    service->wake_event = nullptr;
    return result;
}

}  // namespace kmx
