/* The interface header as a C program sees it. */
#include <kmx512u/kmxpi.h>

#include <string.h>

int KmxpiNameFromC(DWORD status, char* text, DWORD size) {
    WORD version = 0;
    if (KMXPI_GetVersion(&version) != KMXPI_STATUS_SUCCESS || version != KMXPI_INTERFACE_VERSION)
        return 0;
    return KMXPI_GetErrorText(status, text, size) == KMXPI_STATUS_SUCCESS;
}
