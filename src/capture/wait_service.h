// The wait service: one worker thread that waits on a list of kernel object
// handles and calls each entry's callback once, on the worker, when its
// handle is signalled. Streams use one for their camera reads and retry
// timer and one for their frame-skip timer; camera notifications use one too.
#pragma once

#include <windows.h>

namespace kmx {

// SHUTDOWN is 0 when the handle was signalled, 1 when the service stops with
// the entry still pending.
using WaitCallback = void (*)(void* context, DWORD shutdown);

struct WaitEntry {
    WaitCallback callback;
    void* context;
    HANDLE handle;
    WaitEntry* next;
};

struct WaitService {
    CRITICAL_SECTION lock;  // guards entries, spares and stopping
    HANDLE wake_event;      // manual reset: the list changed, or stop
    WaitEntry* entries;     // in order of registration
    WaitEntry* spares;      // entries that ended, kept for the next registrations
    HANDLE thread;
    volatile LONG stopping;  // set once by StopWaitService
    DWORD thread_id;
    // AddWait calls of other threads under way: a stop waits for them before
    // it deletes the lock and closes the wake event.
    volatile LONG adding;
};

// 1 started, 0 failed (the service is then stopped: AddWait refuses and
// StopWaitService answers 0).
int StartWaitService(WaitService* service);

// Registers CALLBACK with CONTEXT for HANDLE. 1 registered; 0 refused (null
// service, stopping, null callback, null or INVALID_HANDLE_VALUE handle, no
// memory).
int AddWait(WaitService* service, WaitCallback callback, void* context, HANDLE handle);

// Stops the worker, calling the callbacks still pending with shutdown 1. 1
// stopped (normally, or after terminating a worker that did not end within a
// second); 0 when there was nothing to stop. It returns only once the worker
// has ended, so the caller may free the callbacks' contexts. The worker's
// waits, device requests included, give way to the termination; callbacks
// must not hold a lock across a call that can block, or a terminated one
// would keep it.
int StopWaitService(WaitService* service);

}  // namespace kmx
