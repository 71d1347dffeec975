#include "api/interface_state.h"

#include <kmx512u/kmxpi.h>
#include <kmxwin/shared_section.h>

#include "api/camera_handle.h"
#include "capture/wait_service.h"

#include <vector>

namespace kmx {
namespace {

constexpr DWORD kHeartbeatPeriod = 250;
// How long module end waits for a thread of ours to see the shutdown.
constexpr DWORD kThreadExitWait = 1000;

struct InterfaceObjects {
    HANDLE lock_mutex;  // "KMX512_VPI_MUTEX"; null while the lock is unusable
    CaptureLockRecord* lock;
    HANDLE notify_mutex;  // serialises the start of the watch service
    WaitService watches;
    bool watches_started;
    HANDLE shutdown_event;  // manual reset, signalled at module end
    // The threads that run the interface's code (heartbeats, camera handle
    // watchers): the module's code must not go away under one of them.
    CRITICAL_SECTION threads_lock;
    std::vector<HANDLE>* threads;
};

InterfaceObjects g_interface;

// Keeps the lock alive for as long as this process holds it for the handle
// numbered by PARAMETER.
DWORD WINAPI Heartbeat(LPVOID parameter) {
    const DWORD number = static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
    const DWORD process = GetCurrentProcessId();
    CaptureLockRecord* record = g_interface.lock;
    while (record->owner_process == process && record->owner_handle == number) {
        record->heartbeat = GetTickCount();
        if (WaitForSingleObject(g_interface.shutdown_event, kHeartbeatPeriod) != WAIT_TIMEOUT)
            break;
    }
    return 0;
}

// Closes the handles of our threads that have ended; with WAIT, waits for
// the others first.
void ReapThreads(bool wait) {
    EnterCriticalSection(&g_interface.threads_lock);
    std::vector<HANDLE>& threads = *g_interface.threads;
    for (auto it = threads.begin(); it != threads.end();) {
        if (WaitForSingleObject(*it, wait ? kThreadExitWait : 0) == WAIT_TIMEOUT) {
            ++it;
            continue;
        }
        CloseHandle(*it);
        it = threads.erase(it);
    }
    LeaveCriticalSection(&g_interface.threads_lock);
}

// Keeps THREAD's handle, which is ours to close, until module end or until
// the thread is found ended.
void KeepThread(HANDLE thread) {
    if (!g_interface.threads) {
        CloseHandle(thread);
        return;
    }
    ReapThreads(false);
    EnterCriticalSection(&g_interface.threads_lock);
    g_interface.threads->push_back(thread);
    LeaveCriticalSection(&g_interface.threads_lock);
}

}  // namespace

int StartInterface() {
    InitializeCriticalSection(&g_interface.threads_lock);
    g_interface.threads = new std::vector<HANDLE>;
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
    g_interface.notify_mutex = CreateMutexA(nullptr, TRUE, nullptr);
    if (g_interface.notify_mutex) ReleaseMutex(g_interface.notify_mutex);
    g_interface.shutdown_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return g_interface.lock_mutex != nullptr;
}

void StopInterface() {
    if (g_interface.shutdown_event) SetEvent(g_interface.shutdown_event);
    if (CaptureLockRecord* record = TakeLockRecord()) {
        if (record->owner_process == GetCurrentProcessId()) record->Clear();
        ReleaseLockRecord();
        CloseHandle(g_interface.lock_mutex);
        g_interface.lock_mutex = nullptr;
    }
    if (g_interface.threads) {
        ReapThreads(true);
        delete g_interface.threads;
        g_interface.threads = nullptr;
        DeleteCriticalSection(&g_interface.threads_lock);
    }
    CloseOpenCameras();
    if (g_interface.lock) {
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
    HANDLE thread =
        CreateThread(nullptr, 0, Heartbeat,
                     reinterpret_cast<LPVOID>(static_cast<uintptr_t>(handle_number)), 0, nullptr);
    if (!thread) return 0;
    KeepThread(thread);
    return 1;
}

void TrackThread(HANDLE thread) {
    HANDLE kept = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &kept, 0, FALSE,
                        DUPLICATE_SAME_ACCESS))
        KeepThread(kept);
}

HANDLE ShutdownEvent() {
    return g_interface.shutdown_event;
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
    return WaitForSingleObject(g_interface.shutdown_event, timeout) == WAIT_TIMEOUT;
}

}  // namespace kmx
