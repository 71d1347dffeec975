/* What installable drivers call: the callback to their client.
 *
 * DriverCallback delivers by the DCB_ type in the low bits of dwFlags:
 * DCB_NULL does nothing (TRUE); DCB_FUNCTION calls the DRVCALLBACK at
 * dwCallback with hDevice, dwMsg, dwUser, dwParam1 and dwParam2 on the
 * calling thread (TRUE); DCB_EVENT sets the event handle dwCallback (the
 * result of SetEvent); DCB_WINDOW posts dwMsg to the window dwCallback with
 * hDevice as wParam and dwParam1 as lParam (the result of PostMessage).
 * Where this differs from Windows: DCB_TASK, which posts to a thread's
 * queue, is not delivered (FALSE). Any other type: FALSE. */
#ifndef KMXWIN_MMDDK_H
#define KMXWIN_MMDDK_H

#include <mmsystem.h>

#define DCB_NOSWITCH 0x0008
#define DCB_TYPEMASK 0x0007
#define DCB_NULL 0x0000
#define DCB_WINDOW 0x0001
#define DCB_TASK 0x0002
#define DCB_FUNCTION 0x0003
#define DCB_EVENT 0x0005

#ifdef __cplusplus
extern "C" {
#endif

WINBASEAPI BOOL WINAPI DriverCallback(DWORD_PTR dwCallback, DWORD dwFlags, HDRVR hDevice,
                                      DWORD dwMsg, DWORD_PTR dwUser, DWORD_PTR dwParam1,
                                      DWORD_PTR dwParam2);

#ifdef __cplusplus
}
#endif

#endif
