/* The calling thread's last-error code. */
#ifndef KMXWIN_ERRHANDLINGAPI_H
#define KMXWIN_ERRHANDLINGAPI_H

#include <minwindef.h>

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI DWORD WINAPI GetLastError(void);
WINBASEAPI void WINAPI SetLastError(DWORD dwErrCode);

#ifdef __cplusplus
}
#endif
#endif
