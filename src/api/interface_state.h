// The programming interface's process-wide objects: the capture lock record
// that every process shares, the named mutex that guards it, the wait service
// that runs the camera watches, and the event that tells them the library is
// going away. StartInterface and StopInterface run in the module start and
// exit.
#pragma once

#include <windows.h>

#include <atomic>

namespace kmx {

// The capture lock, one record seen alike by every process that has loaded
// the library; all zero while no camera is locked. Changes are made with the
// lock mutex held; the holder's heartbeat thread writes its word and reads
// the owner words without it, hence each word is atomic on its own.
struct CaptureLockRecord {
    std::atomic<DWORD> locked_id;      // connection id of the locked camera; 0 = none
    std::atomic<DWORD> owner_process;  // process id of the holder
    std::atomic<DWORD> owner_handle;   // the holder's camera handle number in its process
    std::atomic<DWORD> heartbeat;      // tick count, refreshed by the holder every 250 ms
    std::atomic<DWORD> identity1;      // the locked camera's identity words; kept by unlock
    std::atomic<DWORD> identity2;

    // Clears the words that say who holds the lock, keeping the identity.
    void Release() {
        locked_id = 0;
        owner_process = 0;
        owner_handle = 0;
        heartbeat = 0;
    }
    void Clear() {
        Release();
        identity1 = 0;
        identity2 = 0;
    }
    // A lock whose holder has not refreshed it for more than a second.
    bool Stale() const { return locked_id != 0 && GetTickCount() - heartbeat > 1000; }
};
static_assert(sizeof(CaptureLockRecord) == 24 && std::atomic<DWORD>::is_always_lock_free);

// Creates the process-wide objects; 1 when the capture lock can be used.
// A process that cannot map the shared record runs without the capture lock
// (the lock exports then answer NULL_POINTER), as without its mutex.
int StartInterface();
// Releases the lock this process holds, stops the camera watches without
// signalling them and destroys the objects.
void StopInterface();

// 1 when the interface has its lock mutex.
int HasLockMutex();
// The lock record with its mutex taken (without time-out, an abandoned
// mutex counting as taken), or null when the interface has no lock mutex.
// Give it back with ReleaseLockRecord.
CaptureLockRecord* TakeLockRecord();
void ReleaseLockRecord();

// Starts the heartbeat of the lock that this process took just now for the
// handle numbered HANDLE_NUMBER; 0 when no thread could be started.
int StartHeartbeat(DWORD handle_number);

// Has module end wait for THREAD (a thread running the interface's code,
// which ends when the shutdown event is signalled); the caller keeps its
// own handle.
void TrackThread(HANDLE thread);
// Manual reset, signalled at module end; null outside start and end.
HANDLE ShutdownEvent();

// Starts the wait service of the camera watches unless it runs already:
// 0, 5 without the notification mutex, 6 when it cannot be started.
DWORD StartWatchService();
// Registers a watch with the service; 1 registered.
int AddWatch(void (*callback)(void*, DWORD), void* context, HANDLE event);
// Waits up to TIMEOUT milliseconds for the library to go away: 1 when it
// stays loaded for that long.
int StaysLoaded(DWORD timeout);

}  // namespace kmx
