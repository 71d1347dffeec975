/* System time and tick counts. */
#ifndef KMXWIN_SYSINFOAPI_H
#define KMXWIN_SYSINFOAPI_H

#include <minwinbase.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Milliseconds since an arbitrary start, as a 32-bit count that wraps after
 * 49.7 days. */
WINBASEAPI DWORD WINAPI GetTickCount(void);
WINBASEAPI ULONGLONG WINAPI GetTickCount64(void);
/* UTC in 100-ns units since 1 January 1601. */
WINBASEAPI void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);

#ifdef __cplusplus
}
#endif
#endif
