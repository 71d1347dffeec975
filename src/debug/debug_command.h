// The one road of the debug interface to the kernel driver: a debug record
// (the header's three words and a payload) sent synchronously on a device
// handle, or on a camera opened for this one command, with the command
// status translated into a KMXDEBUG_STATUS_* code.
#pragma once

#include <windows.h>

namespace kmx {

// The debug interface's code for a command status.
DWORD DebugStatusOf(BYTE command_status);

// Sends CODE on DEVICE, or, when DEVICE is INVALID_HANDLE_VALUE, on the
// first camera that opens (DRIVER_NOT_FOUND when none does), which is closed
// again afterwards; a caller's handle is never closed, also not when the
// device went away. WORDS (null: three zeros) and the LENGTH bytes at DATA
// are sent, and hold what the driver left in the record afterwards, also
// when the command failed.
DWORD SendDebugCommand(HANDLE device, DWORD code, DWORD (*words)[3], void* data, DWORD length);

}  // namespace kmx
