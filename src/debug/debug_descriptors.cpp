// The kernel driver's descriptors of the camera's properties and
// notifications, and a property's raw value, by index. Each works on the
// first camera that opens when the tool passes no device.
#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxdebug.h>

#include "debug/debug_command.h"

namespace {

DWORD QueryByIndex(HANDLE device, DWORD code, DWORD index, void* buffer, DWORD size) {
    if (!buffer) return KMXDEBUG_STATUS_BAD_PARAMETER;
    DWORD words[3] = {index, 0, 0};
    return kmx::SendDebugCommand(device, code, &words, buffer, size);
}

}  // namespace

extern "C" DWORD KMXDebug_GetPropertyDescriptor(HANDLE device, DWORD index, void* descriptor) try {
    return QueryByIndex(device, kmx::kDebugPropertyDescriptorCode, index, descriptor,
                        KMXDEBUG_DESCRIPTOR_SIZE);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_GetNotificationDescriptor(HANDLE device, DWORD index,
                                                    void* descriptor) try {
    return QueryByIndex(device, kmx::kDebugNotificationDescriptorCode, index, descriptor,
                        KMXDEBUG_DESCRIPTOR_SIZE);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_GetPropertyInformation(HANDLE device, DWORD index, void* buffer,
                                                 DWORD size) try {
    return QueryByIndex(device, kmx::kDebugPropertyInformationCode, index, buffer, size);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}
