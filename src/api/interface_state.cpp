#include "api/interface_state.h"

#include <kmx512u/kmxpi.h>
#include <kmxwin/shared_section.h>

#include "api/camera_handle.h"
#include "capture/wait_service.h"

#include <algorithm>
#include <new>

namespace kmx {
namespace {

constexpr DWORD kHeartbeatPeriod = 250;
// How long module end waits for a thread of ours to see the shutdown.
constexpr DWORD kThreadExitWait = 1000;
// Without a shutdown event, how often waits look whether module end began.
constexpr DWORD kShutdownPoll = 20;

// A thread that runs the interface's code (a heartbeat, a camera handle's
// watcher), whose handle is ours: the module's code must not go away under
// it. Allocated before the thread is started, so that keeping it cannot
// fail once the thread runs.
struct KeptThread {
    HANDLE handle;
    KeptThread* next;
};

struct InterfaceObjects {
    HANDLE lock_mutex;  // "KMX512_VPI_MUTEX"; null while the lock is unusable
    CaptureLockRecord* lock;
    HANDLE notify_mutex;  // serialises the start of the watch service
    WaitService watches;
    bool watches_started;
    // Module end has begun; the shutdown event says so to waits, when it
    // could be created.
    volatile LONG stopping;
    HANDLE shutdown_event;  // manual reset, signalled at module end
    CRITICAL_SECTION threads_lock;
    bool threads_ready;  // the lock is initialised
    KeptThread* threads;
};

InterfaceObjects g_interface;

// Keeps the lock alive for as long as this process holds it for the handle
// numbered by PARAMETER.
DWORD WINAPI Heartbeat(LPVOID parameter) try {
    const DWORD number = static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
    const DWORD process = GetCurrentProcessId();
    CaptureLockRecord* record = g_interface.lock;
    while (record->owner_process == process && record->owner_handle == number) {
        record->heartbeat = GetTickCount();
        if (!StaysLoaded(kHeartbeatPeriod)) break;
    }
    return 0;
} catch (...) {
    return 0;  // the lock goes stale, as a dead holder's does
}

// Closes the handles of our threads that have ended. With WAIT, waits for
// the others first (each for a while); whether none is left.
bool ReapThreads(bool wait) {
    EnterCriticalSection(&g_interface.threads_lock);
    KeptThread** link = &g_interface.threads;
    while (KeptThread* kept = *link) {
        if (WaitForSingleObject(kept->handle, wait ? kThreadExitWait : 0) == WAIT_TIMEOUT) {
            link = &kept->next;
            continue;
        }
        CloseHandle(kept->handle);
        *link = kept->next;
        delete kept;
    }
    bool none_left = g_interface.threads == nullptr;
    LeaveCriticalSection(&g_interface.threads_lock);
    return none_left;
}

// Keeps THREAD's handle, which is ours to close, in KEPT until module end or
// until the thread is found ended.
void KeepThread(KeptThread* kept, HANDLE thread) {
    ReapThreads(false);
    EnterCriticalSection(&g_interface.threads_lock);
    *kept = KeptThread{thread, g_interface.threads};
    g_interface.threads = kept;
    LeaveCriticalSection(&g_interface.threads_lock);
}

}  // namespace

int StartInterface() {
    // Each object that cannot be had (memory ran short) leaves its feature
    // out: no thread of ours without the thread list, no capture lock
    // without the record and its mutex, no watches without their mutex.
    g_interface.stopping = 0;
    try {
        InitializeCriticalSection(&g_interface.threads_lock);
        g_interface.threads_ready = true;
    } catch (...) {
    }
    try {
        g_interface.lock = static_cast<CaptureLockRecord*>(
            KmxWinMapSharedSection(kCaptureLockSection, sizeof(CaptureLockRecord)));
        if (g_interface.lock) {
            g_interface.lock_mutex = CreateMutexA(nullptr, TRUE, kCaptureLockMutex);
            if (g_interface.lock_mutex) {
                // The first process to load the library starts from no lock.
                if (GetLastError() != ERROR_ALREADY_EXISTS) g_interface.lock->Clear();
                ReleaseMutex(g_interface.lock_mutex);
            }
        }
    } catch (...) {
    }
    g_interface.notify_mutex = CreateMutexA(nullptr, TRUE, nullptr);
    if (g_interface.notify_mutex) ReleaseMutex(g_interface.notify_mutex);
    g_interface.shutdown_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return g_interface.lock_mutex != nullptr;
}

void StopInterface() {
    InterlockedExchange(&g_interface.stopping, 1);
    if (g_interface.shutdown_event) SetEvent(g_interface.shutdown_event);
    if (CaptureLockRecord* record = TakeLockRecord()) {
        if (record->owner_process == GetCurrentProcessId()) record->Clear();
        ReleaseLockRecord();
        CloseHandle(g_interface.lock_mutex);
        g_interface.lock_mutex = nullptr;
    }
    CloseOpenCameras();
    bool threads_ended = true;
    if (g_interface.threads_ready) {
        threads_ended = ReapThreads(true);
        // A thread that did not end keeps its handle and the lock: both go
        // with the process.
        if (threads_ended) {
            g_interface.threads_ready = false;
            DeleteCriticalSection(&g_interface.threads_lock);
        }
    }
    // A heartbeat that has not ended may still read the record.
    if (g_interface.lock && threads_ended) {
        KmxWinUnmapSharedSection(g_interface.lock);
        g_interface.lock = nullptr;
    }
    if (g_interface.notify_mutex) {
        WaitForSingleObject(g_interface.notify_mutex, INFINITE);
        if (g_interface.watches_started) {
            StopWaitService(&g_interface.watches);
            g_interface.watches_started = false;
        }
        ReleaseMutex(g_interface.notify_mutex);
        CloseHandle(g_interface.notify_mutex);
        g_interface.notify_mutex = nullptr;
    }
    if (g_interface.shutdown_event) {
        CloseHandle(g_interface.shutdown_event);
        g_interface.shutdown_event = nullptr;
    }
}

int HasLockMutex() {
    return g_interface.lock_mutex != nullptr;
}

CaptureLockRecord* TakeLockRecord() {
    if (!g_interface.lock_mutex) return nullptr;
    WaitForSingleObject(g_interface.lock_mutex, INFINITE);
    return g_interface.lock;
}

void ReleaseLockRecord() {
    ReleaseMutex(g_interface.lock_mutex);
}

int StartHeartbeat(DWORD handle_number) {
    auto* kept = g_interface.threads_ready ? new (std::nothrow) KeptThread : nullptr;
    if (!kept) return 0;
    // Called with the lock's mutex held: nothing may leave here by throwing.
    HANDLE thread = nullptr;
    try {
        thread = CreateThread(nullptr, 0, Heartbeat,
                              reinterpret_cast<LPVOID>(static_cast<uintptr_t>(handle_number)), 0,
                              nullptr);
    } catch (...) {
    }
    if (!thread) {
        delete kept;
        return 0;
    }
    KeepThread(kept, thread);
    return 1;
}

bool TrackThread(HANDLE thread) {
    auto* kept = g_interface.threads_ready ? new (std::nothrow) KeptThread : nullptr;
    HANDLE duplicate = nullptr;
    if (!kept || !DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &duplicate, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS)) {
        delete kept;
        return false;
    }
    KeepThread(kept, duplicate);
    return true;
}

DWORD StartWatchService() {
    if (!g_interface.notify_mutex) return KMXPI_STATUS_NULL_POINTER;
    WaitForSingleObject(g_interface.notify_mutex, INFINITE);
    DWORD status = KMXPI_STATUS_SUCCESS;
    if (!g_interface.watches_started) {
        if (StartWaitService(&g_interface.watches))
            g_interface.watches_started = true;
        else
            status = KMXPI_STATUS_ALLOC_FAILED;
    }
    ReleaseMutex(g_interface.notify_mutex);
    return status;
}

int AddWatch(void (*callback)(void*, DWORD), void* context, HANDLE event) {
    return AddWait(&g_interface.watches, callback, context, event);
}

int StaysLoaded(DWORD timeout) {
    if (HANDLE shutdown = g_interface.shutdown_event)
        return WaitForSingleObject(shutdown, timeout) == WAIT_TIMEOUT;
    // Without the event (it could not be created at start) the flag is
    // looked at in short steps, so that module end is still seen at once.
    for (DWORD waited = 0; waited < timeout; waited += kShutdownPoll) {
        if (InterlockedCompareExchange(&g_interface.stopping, 0, 0)) return 0;
        Sleep(std::min(kShutdownPoll, timeout - waited));
    }
    return InterlockedCompareExchange(&g_interface.stopping, 0, 0) == 0;
}

}  // namespace kmx
