/* Kernel object handles.
 *
 * Handle values are small non-zero multiples of 4 that fit in 32 bits. The
 * pseudo handles GetCurrentProcess() (-1) and GetCurrentThread() (-2) are not
 * entries of the table; CloseHandle accepts them and does nothing. */
#ifndef KMXWIN_HANDLEAPI_H
#define KMXWIN_HANDLEAPI_H

#include <minwindef.h>

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI BOOL WINAPI CloseHandle(HANDLE hObject);

/* Within the current process only: both process handles must be
 * GetCurrentProcess(); anything else fails with ERROR_INVALID_HANDLE. The
 * current thread's pseudo handle duplicates into a real handle on the thread. */
WINBASEAPI BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle,
                                       HANDLE hTargetProcessHandle, LPHANDLE lpTargetHandle,
                                       DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions);

#ifdef __cplusplus
}
#endif
#endif
