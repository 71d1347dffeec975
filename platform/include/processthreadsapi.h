/* Processes and threads.
 *
 * Thread ids are the system's thread ids, so they are unique across
 * processes while the thread lives.
 *
 * Where this differs from Windows:
 * - SetThreadPriority checks and records the priority, and GetThreadPriority
 *   reports it; time-sharing threads on Linux have no per-thread priority that
 *   an unprivileged process could raise, so the scheduler does not see it.
 * - TerminateThread cannot stop a thread at an arbitrary instruction (POSIX
 *   has no safe way to). It marks the thread for termination and returns
 *   TRUE. The thread ends at once if it is blocked in a wait or in Sleep, and
 *   otherwise at its next call into the platform's waits, Sleep, critical
 *   sections, events, mutexes, timers, thread functions or CloseHandle. Ending
 *   there runs no code of the thread's own: as on Windows its stack is not
 *   freed and no destructors run; mutexes it owns are abandoned, its exit code
 *   becomes the one given, and its handle is signalled. A thread that never
 *   calls into the platform again is not stopped, and its handle is not
 *   signalled until it ends by itself.
 * - ExitThread likewise ends the thread without running the destructors of
 *   the frames it leaves. On a thread that CreateThread did not start it
 *   ends the thread through pthread_exit.
 * - CREATE_SUSPENDED is refused with ERROR_INVALID_PARAMETER. */
#ifndef KMXWIN_PROCESSTHREADSAPI_H
#define KMXWIN_PROCESSTHREADSAPI_H

#include <minwinbase.h>

#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000

#define THREAD_BASE_PRIORITY_LOWRT 15
#define THREAD_BASE_PRIORITY_MAX 2
#define THREAD_BASE_PRIORITY_MIN (-2)
#define THREAD_BASE_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST THREAD_BASE_PRIORITY_MIN
#define THREAD_PRIORITY_BELOW_NORMAL (THREAD_PRIORITY_LOWEST + 1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_HIGHEST THREAD_BASE_PRIORITY_MAX
#define THREAD_PRIORITY_ABOVE_NORMAL (THREAD_PRIORITY_HIGHEST - 1)
#define THREAD_PRIORITY_ERROR_RETURN (MAXLONG)
#define THREAD_PRIORITY_TIME_CRITICAL THREAD_BASE_PRIORITY_LOWRT
#define THREAD_PRIORITY_IDLE THREAD_BASE_PRIORITY_IDLE

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI HANDLE WINAPI GetCurrentProcess(void);
WINBASEAPI HANDLE WINAPI GetCurrentThread(void);
WINBASEAPI DWORD WINAPI GetCurrentProcessId(void);
WINBASEAPI DWORD WINAPI GetCurrentThreadId(void);

WINBASEAPI HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                                      LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                                      DWORD dwCreationFlags, LPDWORD lpThreadId);
WINBASEAPI __attribute__((noreturn)) void WINAPI ExitThread(DWORD dwExitCode);
WINBASEAPI BOOL WINAPI TerminateThread(HANDLE hThread, DWORD dwExitCode);
WINBASEAPI BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
WINBASEAPI BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority);
WINBASEAPI int WINAPI GetThreadPriority(HANDLE hThread);

#ifdef __cplusplus
}
#endif
#endif
