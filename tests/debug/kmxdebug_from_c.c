/* The debug interface's header as a C program sees it. */
#include <kmx512u/kmxdebug.h>

int KmxdebugNameFromC(DWORD status, char* text, DWORD size) {
    HANDLE device = INVALID_HANDLE_VALUE;
    if (KMXDebug_CloseDevice(&device) != KMXDEBUG_STATUS_INVALID_HANDLE) return 0;
    return KMXDebug_GetStatusText(status, text, size) == KMXDEBUG_STATUS_SUCCESS;
}
