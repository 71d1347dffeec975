// DriverCallback: how an installable driver reaches its client.
#include <windows.h>
#include <mmddk.h>
#include <winuser.h>

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
        case DCB_WINDOW:
            // The window's queue gets the message, the device as wParam and
            // the first parameter as lParam.
            return PostMessageA(reinterpret_cast<HWND>(dwCallback), dwMsg,
                                reinterpret_cast<WPARAM>(hDevice), static_cast<LPARAM>(dwParam1));
        default:
            // DCB_TASK, which posts to a thread's queue, is not delivered.
            return FALSE;
    }
}

}  // extern "C"
