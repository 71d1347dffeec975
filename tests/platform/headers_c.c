/* The SDK-named headers compile as C, so that a program written in C for
 * Windows builds unchanged. */
#include <windows.h>
#include <mmddk.h>
#include <msviddrv.h>
#include <vfw.h>
#include <wownt32.h>
#include <kmxwin/vfw16.h>
#include <kmxwin/shared_section.h>
#include <kmxwin/dll_entry.h>

int kmx_c_program_round_trip(void) {
    HANDLE event = CreateEventA(NULL, FALSE, FALSE, NULL);
    LONG volatile counter = 0;
    LARGE_INTEGER due;
    CRITICAL_SECTION section;
    int ok;
    if (!event) return 0;
    SetEvent(event);
    ok = WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0;
    ok = ok && InterlockedIncrement(&counter) == 1;
    due.QuadPart = -1;
    ok = ok && sizeof(due) == 8 && sizeof(DWORD) == 4 && sizeof(LONG) == 4;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    LeaveCriticalSection(&section);
    DeleteCriticalSection(&section);
    ZeroMemory(&due, sizeof due);
    ok = ok && sizeof(WCHAR) == 2 && DVM_FORMAT == 0x1002 && DV_ERR_ALLOCATED == 19;
    return ok && CloseHandle(event) && due.QuadPart == 0;
}
