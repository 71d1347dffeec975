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
// Releases the lock this process holds, ends the interface's threads, stops
// the camera watches without signalling them and destroys the objects. The
// shared record stays mapped while a thread of ours that may read it runs.
void StopInterface();

// 1 when the interface has its lock mutex.
int HasLockMutex();
// The lock record with its mutex taken (without time-out, an abandoned
// mutex counting as taken), or null when the interface has no lock mutex.
// Give it back with ReleaseLockRecord.
CaptureLockRecord* TakeLockRecord();
void ReleaseLockRecord();

// Starts the heartbeat of the lock that this process took just now for the
// handle numbered HANDLE_NUMBER; 0 when no thread could be started. Never
// throws: it runs with the lock's mutex held.
int StartHeartbeat(DWORD handle_number);

// Has module end wait for THREAD (a thread running the interface's code,
// which ends at module end); the caller keeps its own handle. False, with
// nothing kept, when it cannot be kept track of: the thread must not run.
bool TrackThread(HANDLE thread);

// Starts the wait service of the camera watches unless it runs already:
// 0, 5 without the notification mutex, 6 when it cannot be started.
DWORD StartWatchService();
// Registers a watch with the service; 1 registered.
int AddWatch(void (*callback)(void*, DWORD), void* context, HANDLE event);
// Waits up to TIMEOUT milliseconds for the library to go away: 1 when it
// stays loaded for that long. Module end is seen at once, also when the
// shutdown event could not be created at start.
int StaysLoaded(DWORD timeout);

}  // namespace kmx
