// Listing the connected cameras of an identity.
#include "api/camera_handle.h"
#include "device/kernel_channel.h"

using namespace kmx;

extern "C" DWORD KMXPI_CameraEnum(DWORD identity1, DWORD identity2, DWORD* ids, DWORD capacity,
                                  DWORD* count) try {
    if (!count || !ids) return KMXPI_STATUS_NULL_POINTER;
    *count = 0;
    HANDLE device = INVALID_HANDLE_VALUE;
    DWORD id = 1;
    for (DWORD found = 0; OpenCamera(&device, id, true, &found); id = found + 1) {
        InterfaceHeader reply{};
        if (SendInterfaceCommand(device, kCameraIdentityCode, reply, nullptr, 0) ==
            KMXPI_STATUS_SUCCESS) {
            DWORD words[2];
            ReadIdentity(reply, &words[0], &words[1]);
            bool any = identity1 == 0 && identity2 == 0;
            if (any || (words[0] == identity1 && words[1] == identity2)) {
                if (*count < capacity) ids[*count] = found;
                ++*count;
            }
        }
        CloseDevice(&device);
    }
    return KMXPI_STATUS_SUCCESS;
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}
