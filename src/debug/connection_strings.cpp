// Connection strings: the device interface paths that the per-user camera
// list holds under the connection ids.
#include <kmx512u/kmxdebug.h>

#include "device/camera_enumeration.h"

#include <cstring>

static_assert(KMXDEBUG_CONNECTION_STRING_SIZE == kmx::kCameraPathSize);

extern "C" DWORD KMXDebug_GetConnectionString(DWORD connection_id, LPSTR buffer, DWORD size) try {
    if (size < kmx::kCameraPathSize) return KMXDEBUG_STATUS_BUFFER_TOO_SMALL;
    if (!buffer) return KMXDEBUG_STATUS_BAD_PARAMETER;
    return kmx::LookupCamera(buffer, connection_id) ? KMXDEBUG_STATUS_SUCCESS
                                                    : KMXDEBUG_STATUS_OPERATION_FAILED;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

// The id a tool asks for is the one the path is listed under, the id every
// other part of the library opens it by. The list is brought up to date
// first, so that a camera plugged in since the last refresh has its id.
extern "C" DWORD KMXDebug_GetConnectionID(DWORD* connection_id, LPCSTR connection_string) try {
    if (!connection_id || !connection_string) return KMXDEBUG_STATUS_BAD_PARAMETER;
    *connection_id = 0;
    kmx::RefreshCameraList();
    char listed[kmx::kCameraPathSize];
    // Ids are dense from 1: the list ends at the first id not listed.
    for (DWORD id = 1; kmx::LookupCamera(listed, id); ++id) {
        if (strcmp(listed, connection_string) == 0) {
            *connection_id = id;
            return KMXDEBUG_STATUS_SUCCESS;
        }
    }
    return KMXDEBUG_STATUS_OPERATION_FAILED;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}
