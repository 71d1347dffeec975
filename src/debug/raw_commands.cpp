// Raw requests to a camera that a tool opened: USB set interface, device
// commands and USB transfers. Their parameters mean what the kernel driver
// makes of them; the library only carries them.
#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxdebug.h>

#include "debug/debug_command.h"

namespace {

DWORD SendCommandRequest(HANDLE device, DWORD word_parameter, BYTE byte_parameter,
                         WORD short_parameter, void* data, WORD length) {
    if (device == INVALID_HANDLE_VALUE) return KMXDEBUG_STATUS_INVALID_HANDLE;
    // Byte 12: the byte parameter; bytes 14-15: the 16-bit parameter;
    // bytes 16-17: the data length.
    DWORD words[3] = {
        word_parameter,
        static_cast<DWORD>(byte_parameter) | static_cast<DWORD>(short_parameter) << 16, length};
    return kmx::SendDebugCommand(device, kmx::kDebugCommandCode, &words, data, length);
}

}  // namespace

extern "C" DWORD KMXDebug_USB_Set_Interface(HANDLE device, BYTE interface_number,
                                            BYTE alternate_setting) try {
    if (device == INVALID_HANDLE_VALUE) return KMXDEBUG_STATUS_INVALID_HANDLE;
    DWORD words[3] = {
        static_cast<DWORD>(interface_number) | static_cast<DWORD>(alternate_setting) << 8, 0, 0};
    return kmx::SendDebugCommand(device, kmx::kDebugUsbSetInterfaceCode, &words, nullptr, 0);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_USB_Command(HANDLE device, DWORD word_parameter, BYTE byte_parameter,
                                      WORD short_parameter, void* data, WORD length) try {
    return SendCommandRequest(device, word_parameter, byte_parameter, short_parameter, data,
                              length);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_Command(HANDLE device, DWORD word_parameter, BYTE byte_parameter,
                                  WORD short_parameter, void* data, WORD length) try {
    return SendCommandRequest(device, word_parameter, byte_parameter, short_parameter, data,
                              length);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}

extern "C" DWORD KMXDebug_USB_Transfer(HANDLE device, BYTE byte_parameter, void* data, DWORD length,
                                       DWORD word_parameter) try {
    if (device == INVALID_HANDLE_VALUE) return KMXDEBUG_STATUS_INVALID_HANDLE;
    DWORD words[3] = {byte_parameter, length, word_parameter};
    return kmx::SendDebugCommand(device, kmx::kDebugUsbTransferCode, &words, data, length);
} catch (...) {
    return KMXDEBUG_STATUS_ALLOC_FAILED;
}
