#include "debug/debug_command.h"

#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxdebug.h>

#include "device/kernel_channel.h"

#include <cstring>
#include <memory>
#include <new>

namespace kmx {

DWORD DebugStatusOf(BYTE command_status) {
    switch (command_status) {
        case kCommandSuccess:
            return KMXDEBUG_STATUS_SUCCESS;
        case kCommandBadParameter:
            return KMXDEBUG_STATUS_BAD_PARAMETER;
        case kCommandBufferTooSmall:
            return KMXDEBUG_STATUS_BUFFER_TOO_SMALL;
        case kCommandAllocFailed:
            return KMXDEBUG_STATUS_ALLOC_FAILED;
        case kCommandUnknownFlagBlock:
            return KMXDEBUG_STATUS_UNKNOWN_FLAG_BLOCK;
        case kCommandUnknownFlag:
            return KMXDEBUG_STATUS_UNKNOWN_FLAG;
        case kCommandReleaseDriver:
            return KMXDEBUG_STATUS_RELEASE_DRIVER;
        case kCommandDeviceGone:
            return KMXDEBUG_STATUS_DEVICE_REMOVED;
        case kCommandNotOpen:
            return KMXDEBUG_STATUS_INVALID_HANDLE;
        case kCommandVersionMismatch:
            return KMXDEBUG_STATUS_VERSION_MISMATCH;
        default:
            // Including 255: a driver that never wrote a status did not
            // carry the command out as far as a service tool can tell.
            return KMXDEBUG_STATUS_OPERATION_FAILED;
    }
}

DWORD SendDebugCommand(HANDLE device, DWORD code, DWORD (*words)[3], void* data, DWORD length) {
    // The record's length is a 32-bit word: a payload that would wrap it
    // cannot be described to the driver.
    if (length > MAXDWORD - sizeof(DebugHeader) || (length && !data))
        return KMXDEBUG_STATUS_BAD_PARAMETER;
    HANDLE temporary = INVALID_HANDLE_VALUE;
    if (device == INVALID_HANDLE_VALUE) {
        if (!OpenCamera(&temporary, 0, true, nullptr)) return KMXDEBUG_STATUS_DRIVER_NOT_FOUND;
        device = temporary;
    }
    DWORD total = length + sizeof(DebugHeader);
    std::unique_ptr<BYTE[]> record(new (std::nothrow) BYTE[total]);
    if (!record) {
        CloseDevice(&temporary);
        return KMXDEBUG_STATUS_ALLOC_FAILED;
    }
    DebugHeader header{0, total, {0, 0, 0}};
    if (words) memcpy(header.words, *words, sizeof header.words);
    memcpy(record.get(), &header, sizeof header);
    if (length) memcpy(record.get() + sizeof header, data, length);

    BYTE status = SendCommand(device, code, record.get(), total, nullptr, nullptr);

    memcpy(&header, record.get(), sizeof header);
    if (words) memcpy(*words, header.words, sizeof header.words);
    if (length) memcpy(data, record.get() + sizeof header, length);
    CloseDevice(&temporary);
    return DebugStatusOf(status);
}

}  // namespace kmx
