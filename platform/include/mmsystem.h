/* Multimedia system services: installable drivers.
 *
 * OpenDriver finds a driver by name in the registry key
 * HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\<section>
 * (section "Drivers32" when none is given): a value of that name holds the
 * driver's module file name, optionally followed by a space and
 * configuration text. A name that no value holds is taken as the module's
 * file name itself. The module is loaded as LoadLibraryA loads it and must
 * export "DriverProc" (DRIVERPROC). Windows' message sequence follows: on
 * the first open of a module in the process DRV_LOAD (0 refuses the open)
 * and DRV_ENABLE; then DRV_OPEN for each open, with the configuration text
 * (UTF-16, or NULL when there is none) as lParam1 and OpenDriver's lParam2;
 * its non-zero result is the driver id of every later message to the
 * instance, 0 refuses the open. CloseDriver sends DRV_CLOSE, and on the last
 * close of the module DRV_DISABLE and DRV_FREE before unloading it; a
 * refused DRV_OPEN that leaves no instance of the module open does the same.
 * DRV_LOAD and DRV_ENABLE carry driver id 0; DRV_DISABLE and DRV_FREE carry
 * the id of the instance that closed last.
 *
 * Several threads may open, use and close drivers at once, and a driver may
 * open drivers itself while it handles a message. Driver handles belong to
 * the process that opened them; their values are never reused within it. */
#ifndef KMXWIN_MMSYSTEM_H
#define KMXWIN_MMSYSTEM_H

#include <minwinbase.h>

DECLARE_HANDLE(HDRVR);

typedef DWORD FOURCC;
#define mmioFOURCC(ch0, ch1, ch2, ch3)                                             \
    ((DWORD)(BYTE)(ch0) | ((DWORD)(BYTE)(ch1) << 8) | ((DWORD)(BYTE)(ch2) << 16) | \
     ((DWORD)(BYTE)(ch3) << 24))

/* Driver messages. */
#define DRV_LOAD 0x0001
#define DRV_ENABLE 0x0002
#define DRV_OPEN 0x0003
#define DRV_CLOSE 0x0004
#define DRV_DISABLE 0x0005
#define DRV_FREE 0x0006
#define DRV_CONFIGURE 0x0007
#define DRV_QUERYCONFIGURE 0x0008
#define DRV_INSTALL 0x0009
#define DRV_REMOVE 0x000A
#define DRV_EXITSESSION 0x000B
#define DRV_POWER 0x000F
#define DRV_RESERVED 0x0800
#define DRV_USER 0x4000

/* Results of DRV_CONFIGURE, DRV_INSTALL and DRV_REMOVE. */
#define DRVCNF_CANCEL 0x0000
#define DRVCNF_OK 0x0001
#define DRVCNF_RESTART 0x0002
#define DRV_CANCEL DRVCNF_CANCEL
#define DRV_OK DRVCNF_OK
#define DRV_RESTART DRVCNF_RESTART

/* The messages a driver sends its client through DriverCallback. */
#define MM_DRVM_OPEN 0x3D0
#define MM_DRVM_CLOSE 0x3D1
#define MM_DRVM_DATA 0x3D2
#define MM_DRVM_ERROR 0x3D3

/* How a client asks to be called back; the high word is the DCB_ type. */
#define CALLBACK_TYPEMASK 0x00070000L
#define CALLBACK_NULL 0x00000000L
#define CALLBACK_WINDOW 0x00010000L
#define CALLBACK_TASK 0x00020000L
#define CALLBACK_FUNCTION 0x00030000L
#define CALLBACK_THREAD CALLBACK_TASK
#define CALLBACK_EVENT 0x00050000L

/* lParam2 of DRV_CONFIGURE, DRV_INSTALL and DRV_REMOVE. */
typedef struct tagDRVCONFIGINFO {
    DWORD dwDCISize;
    LPCWSTR lpszDCISectionName;
    LPCWSTR lpszDCIAliasName;
} DRVCONFIGINFO, *PDRVCONFIGINFO, *LPDRVCONFIGINFO;

#ifdef __cplusplus
static_assert(sizeof(DRVCONFIGINFO) == KMXWIN_LAYOUT(12, 24) &&
                  __builtin_offsetof(DRVCONFIGINFO, lpszDCISectionName) == KMXWIN_LAYOUT(4, 8) &&
                  __builtin_offsetof(DRVCONFIGINFO, lpszDCIAliasName) == KMXWIN_LAYOUT(8, 16),
              "DRVCONFIGINFO");
#endif

typedef LRESULT(CALLBACK* DRIVERPROC)(DWORD_PTR dwDriverId, HDRVR hdrvr, UINT msg, LPARAM lParam1,
                                      LPARAM lParam2);
typedef void(CALLBACK DRVCALLBACK)(HDRVR hdrvr, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1,
                                   DWORD_PTR dw2);
typedef DRVCALLBACK* LPDRVCALLBACK;

#ifdef __cplusplus
extern "C" {
#endif

/* NULL when the driver is not found, does not load, has no DriverProc or
 * refuses DRV_LOAD or DRV_OPEN. */
WINBASEAPI HDRVR WINAPI OpenDriver(LPCWSTR szDriverName, LPCWSTR szSectionName, LPARAM lParam2);
/* Non-zero when HDRVR was open (whatever DRV_CLOSE answered); the handle is
 * closed afterwards in any case. 0 for a handle that is not open. */
WINBASEAPI LRESULT WINAPI CloseDriver(HDRVR hDriver, LPARAM lParam1, LPARAM lParam2);
/* The driver's answer; 0 for a handle that is not open. */
WINBASEAPI LRESULT WINAPI SendDriverMessage(HDRVR hDriver, UINT message, LPARAM lParam1,
                                            LPARAM lParam2);
/* The module of an open driver, or NULL. */
WINBASEAPI HMODULE WINAPI GetDriverModuleHandle(HDRVR hDriver);
/* For the messages a driver does not handle itself: 1 for DRV_LOAD,
 * DRV_FREE, DRV_ENABLE and DRV_DISABLE, DRVCNF_OK for DRV_INSTALL and
 * DRV_REMOVE, 0 for everything else. */
WINBASEAPI LRESULT WINAPI DefDriverProc(DWORD_PTR dwDriverIdentifier, HDRVR hdrvr, UINT uMsg,
                                        LPARAM lParam1, LPARAM lParam2);

#ifdef __cplusplus
}
#endif

#endif
