// The cameras as the debug interface sees them: every camera that opens,
// without asking its identity, and raw device handles that belong to the
// tool from open to close.
#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxdebug.h>

#include "debug/debug_command.h"
#include "device/kernel_channel.h"

namespace {

// Connection ids a tool may open.
constexpr LONG kLastDeviceId = 255;

}  // namespace

extern "C" DWORD KMXDebug_EnumDevices(DWORD* ids, DWORD capacity, DWORD* count) try {
    if (!count || (capacity && !ids)) return KMXDEBUG_STATUS_BAD_PARAMETER;
    *count = 0;
    DWORD id = 1;
    for (;;) {
        HANDLE device = INVALID_HANDLE_VALUE;
        DWORD opened = 0;
        if (!kmx::OpenCamera(&device, id, true, &opened)) break;
        kmx::CloseDevice(&device);
        if (*count < capacity) ids[*count] = opened;
        ++*count;
        id = opened + 1;
    }
    return KMXDEBUG_STATUS_SUCCESS;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_OpenDevice(LONG connection_id, HANDLE* device) try {
    // Ids start at 1: a negative id names no camera either.
    if (connection_id < 1 || connection_id > kLastDeviceId) return KMXDEBUG_STATUS_BAD_PARAMETER;
    HANDLE opened = INVALID_HANDLE_VALUE;
    bool found = kmx::OpenCamera(&opened, static_cast<DWORD>(connection_id), false, nullptr);
    // Without somewhere to put it the handle would be lost: close it again.
    if (device)
        *device = opened;
    else
        kmx::CloseDevice(&opened);
    return found ? KMXDEBUG_STATUS_SUCCESS : KMXDEBUG_STATUS_DEVICE_NOT_FOUND;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_CloseDevice(HANDLE* device) try {
    if (!device) return KMXDEBUG_STATUS_BAD_PARAMETER;
    return kmx::CloseDevice(device) ? KMXDEBUG_STATUS_SUCCESS : KMXDEBUG_STATUS_INVALID_HANDLE;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_DeviceIDGet(HANDLE device, DWORD* id1, DWORD* id2) try {
    if (device == INVALID_HANDLE_VALUE) return KMXDEBUG_STATUS_INVALID_HANDLE;
    DWORD words[3] = {0, 0, 0};
    DWORD status = kmx::SendDebugCommand(device, kmx::kDebugDeviceIdCode, &words, nullptr, 0);
    if (id1) *id1 = words[0];
    if (id2) *id2 = words[1];
    return status;
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}
