// DriverCallback: how an installable driver reaches its client.
#include <windows.h>
#include <mmddk.h>

extern "C" {

BOOL WINAPI DriverCallback(DWORD_PTR dwCallback, DWORD dwFlags, HDRVR hDevice, DWORD dwMsg,
                           DWORD_PTR dwUser, DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
    switch (dwFlags & DCB_TYPEMASK) {
        case DCB_NULL:
            return TRUE;
        case DCB_FUNCTION:
            if (!dwCallback) return FALSE;
            reinterpret_cast<LPDRVCALLBACK>(dwCallback)(hDevice, dwMsg, dwUser, dwParam1, dwParam2);
            return TRUE;
        case DCB_EVENT:
            return SetEvent(reinterpret_cast<HANDLE>(dwCallback));
        default:
            // DCB_WINDOW and DCB_TASK wait for the window system's queues.
            return FALSE;
    }
}

}  // extern "C"
