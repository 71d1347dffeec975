/* Synchronisation: critical sections, events, mutexes, waitable timers and
 * waits.
 *
 * Where this differs from Windows:
 * - Named objects exist for mutexes only. A named mutex is shared by every
 *   process that uses the same KMX512_RUNTIME_DIR. A wait that mixes a named
 *   mutex with other objects notices the mutex's release within a few
 *   milliseconds rather than at once (the named mutex cannot join the
 *   process's own wake-ups); a wait on a named mutex alone is woken at once.
 * - Waits are never alertable: there are no APCs, so WAIT_IO_COMPLETION is
 *   never returned and timer completion routines are refused with
 *   ERROR_NOT_SUPPORTED.
 * - Absolute timer due times are converted to a time-out when the timer is
 *   set; a later change of the system clock does not move them. */
#ifndef KMXWIN_SYNCHAPI_H
#define KMXWIN_SYNCHAPI_H

#include <minwinbase.h>

#define INFINITE 0xFFFFFFFF

typedef void(CALLBACK* PTIMERAPCROUTINE)(LPVOID lpArgToCompletionRoutine, DWORD dwTimerLowValue,
                                         DWORD dwTimerHighValue);

#define MUTEX_MODIFY_STATE MUTANT_QUERY_STATE
#define MUTEX_ALL_ACCESS MUTANT_ALL_ACCESS

#ifdef __cplusplus
extern "C" {
#endif

/* Critical sections are recursive. EnterCriticalSection blocks; a thread
 * whose termination was requested ends when it enters (see TerminateThread).
 * Where Windows leaves misuse undefined, these are harmless: leaving from a
 * thread that does not own the section does nothing, and entering or leaving
 * a deleted section does nothing. */
WINBASEAPI void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINBASEAPI void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINBASEAPI BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINBASEAPI void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINBASEAPI void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

WINBASEAPI HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                      BOOL bInitialState, LPCSTR lpName);
WINBASEAPI BOOL WINAPI SetEvent(HANDLE hEvent);
WINBASEAPI BOOL WINAPI ResetEvent(HANDLE hEvent);

WINBASEAPI HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                                      LPCSTR lpName);
WINBASEAPI HANDLE WINAPI OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
WINBASEAPI BOOL WINAPI ReleaseMutex(HANDLE hMutex);

WINBASEAPI HANDLE WINAPI CreateWaitableTimerA(LPSECURITY_ATTRIBUTES lpTimerAttributes,
                                              BOOL bManualReset, LPCSTR lpTimerName);
WINBASEAPI BOOL WINAPI SetWaitableTimer(HANDLE hTimer, const LARGE_INTEGER* lpDueTime, LONG lPeriod,
                                        PTIMERAPCROUTINE pfnCompletionRoutine,
                                        LPVOID lpArgToCompletionRoutine, BOOL fResume);
WINBASEAPI BOOL WINAPI CancelWaitableTimer(HANDLE hTimer);

WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
WINBASEAPI DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                               DWORD dwMilliseconds);
WINBASEAPI void WINAPI Sleep(DWORD dwMilliseconds);

#ifdef __cplusplus
}
#endif

#ifndef KMXWIN_NO_ANSI_ALIASES
#define CreateEvent CreateEventA
#define CreateMutex CreateMutexA
#define OpenMutex OpenMutexA
#define CreateWaitableTimer CreateWaitableTimerA
#endif

#endif
