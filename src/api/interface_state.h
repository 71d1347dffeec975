// The programming interface's process-wide objects: the capture lock record
// that every process shares, the named mutex that guards it, the wait service
// that runs the camera watches, and the event that tells them the library is
// going away. StartInterface and StopInterface run in the module start and
// exit.
#pragma once

#include <windows.h>
#include <kmxrecords/capture_lock_record.h>

namespace kmx {

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
