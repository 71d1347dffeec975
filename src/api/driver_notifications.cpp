// Driver notifications: an event of the caller's that the camera's driver
// signals for a notification set and id.
#include "api/camera_handle.h"

using namespace kmx;

namespace {

// Events travel to the driver as a 32-bit word of the record.
DWORD EventWord(HANDLE event) {
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(event));
}

}  // namespace

extern "C" DWORD KMXPI_NotificationSet(KMXPI_HANDLE camera, const GUID* set, DWORD id,
                                       HANDLE event) try {
    if (!set) return KMXPI_STATUS_NULL_POINTER;
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    InterfaceHeader header{};
    header.set = *set;
    header.id = id;
    header.length = EventWord(event);
    return SendHandleCommand(camera, kNotificationSetCode, header, nullptr, 0);
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXPI_NotificationClear(KMXPI_HANDLE camera, HANDLE event) try {
    if (!camera) return KMXPI_STATUS_BAD_PARAMETER;
    InterfaceHeader header{};
    header.length = EventWord(event);
    return SendHandleCommand(camera, kNotificationClearCode, header, nullptr, 0);
} catch (...) {
    return KMXPI_STATUS_ALLOC_FAILED;
}
