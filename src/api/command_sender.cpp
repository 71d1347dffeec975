#include "api/camera_handle.h"

#include "device/kernel_channel.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

namespace kmx {
namespace {

// The largest record kept on the stack.
constexpr DWORD kSmallRecordSize = 256;

}  // namespace

DWORD InterfaceStatus(BYTE command_status) {
    switch (command_status) {
        case kCommandSuccess:
        case kCommandUnwritten:
            return KMXPI_STATUS_SUCCESS;
        case kCommandBadState:
        case kCommandWrongLength:
        case kCommandBadParameter:
            return KMXPI_STATUS_BAD_PARAMETER;
        case kCommandBufferTooSmall:
            return KMXPI_STATUS_BUFFER_TOO_SMALL;
        case kCommandBufferTooLarge:
            return KMXPI_STATUS_BUFFER_TOO_LARGE;
        case kCommandUnknownSet:
            return KMXPI_STATUS_BAD_GUID;
        case kCommandUnknownId:
            return KMXPI_STATUS_BAD_ID;
        case kCommandInUse:
            return KMXPI_STATUS_IN_USE;
        case kCommandDeviceGone:
            return KMXPI_STATUS_CAMERA_REMOVED;
        default:
            return KMXPI_STATUS_INVALID_STATUS;
    }
}

DWORD SendInterfaceCommand(HANDLE device, DWORD code, InterfaceHeader& header, void* payload,
                           DWORD payload_length) {
    // The record's length is one 32-bit word: a payload that does not fit
    // beside the header would wrap it into a tiny record, which the payload
    // would then overrun.
    if (payload_length > MAXDWORD - sizeof(InterfaceHeader)) return KMXPI_STATUS_BUFFER_TOO_LARGE;
    const DWORD length = sizeof(InterfaceHeader) + payload_length;
    // Records of the properties a camera has fit on the stack: no allocation
    // per command, and nothing left behind when a stop cuts one short.
    BYTE small_record[kSmallRecordSize];
    std::unique_ptr<BYTE[]> large_record;
    BYTE* record = small_record;
    if (length > sizeof small_record) {
        large_record.reset(new (std::nothrow) BYTE[length]);
        if (!large_record) return KMXPI_STATUS_ALLOC_FAILED;
        record = large_record.get();
    }
    header.status = 0;
    memcpy(record, &header, sizeof header);
    if (payload_length) memcpy(record + sizeof header, payload, payload_length);
    BYTE command_status = SendCommand(device, code, record, length, nullptr, nullptr);
    // The channel's own allocation failure (the status byte still holds its
    // fill) is ours; a 6 that the driver wrote is translated as any other.
    if (command_status == kCommandAllocFailed && record[0] == kCommandUnwritten)
        return KMXPI_STATUS_ALLOC_FAILED;
    DWORD status = InterfaceStatus(command_status);
    if (status == KMXPI_STATUS_SUCCESS) {
        // The status word stays the caller's; the six words after it and the
        // payload are the driver's answer.
        memcpy(&header.set, record + offsetof(InterfaceHeader, set),
               sizeof header - offsetof(InterfaceHeader, set));
        if (payload_length) memcpy(payload, record + sizeof header, payload_length);
    }
    return status;
}

namespace {

// CAMERA's device for one command, counted in flight; INVALID_HANDLE_VALUE
// (not counted) once it is closed.
HANDLE BorrowDevice(KMXPI_CAMERA* camera) {
    std::lock_guard guard(camera->device_lock);
    if (camera->device != INVALID_HANDLE_VALUE) ++camera->senders;
    return camera->device;
}

// Ends a command begun with BorrowDevice; the last one closes a device that
// was closed meanwhile.
void ReturnDevice(KMXPI_CAMERA* camera) {
    HANDLE retired = INVALID_HANDLE_VALUE;
    {
        std::lock_guard guard(camera->device_lock);
        if (--camera->senders == 0) std::swap(retired, camera->retired);
    }
    CloseDevice(&retired);
}

}  // namespace

DWORD SendHandleCommand(KMXPI_CAMERA* camera, DWORD code, InterfaceHeader& header, void* payload,
                        DWORD payload_length) {
    HANDLE device = BorrowDevice(camera);
    DWORD status = SendInterfaceCommand(device, code, header, payload, payload_length);
    if (device != INVALID_HANDLE_VALUE) ReturnDevice(camera);
    if (status == KMXPI_STATUS_CAMERA_REMOVED) CloseCameraDevice(camera);
    return status;
}

void ReadIdentity(const InterfaceHeader& reply, DWORD* identity1, DWORD* identity2) {
    DWORD words[2];
    memcpy(words, &reply.set, sizeof words);
    *identity1 = words[0];
    *identity2 = words[1];
}

void CloseCameraDevice(KMXPI_CAMERA* camera) {
    HANDLE closing = INVALID_HANDLE_VALUE;
    {
        std::lock_guard guard(camera->device_lock);
        if (camera->device == INVALID_HANDLE_VALUE) return;
        std::swap(closing, camera->device);
        if (camera->senders > 0) std::swap(closing, camera->retired);
    }
    // Outside the lock: closing waits for the driver to let the connection go.
    CloseDevice(&closing);
}

void ReleaseCameraDevice(KMXPI_CAMERA* camera) {
    CloseCameraDevice(camera);
    HANDLE retired = INVALID_HANDLE_VALUE;
    {
        std::lock_guard guard(camera->device_lock);
        std::swap(retired, camera->retired);
    }
    CloseDevice(&retired);
}

}  // namespace kmx
