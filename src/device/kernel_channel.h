// The channel to the camera's kernel driver: opening a camera's device path,
// the one I/O-control call with and without the caller's OVERLAPPED, the
// rules that turn its outcome into a one-byte command status, and the named
// mutex that serialises every process's refresh of the camera list.
//
// A device handle is INVALID_HANDLE_VALUE when not open; every holder starts
// with it and closing always leaves it behind.
#pragma once

#include <windows.h>

namespace kmx {

// Command statuses: the first byte of every request record. The driver
// writes its own; the channel adds the ones marked so.
inline constexpr BYTE kCommandSuccess = 0;
inline constexpr BYTE kCommandBadState = 1;
inline constexpr BYTE kCommandWrongLength =
    2;  // channel: the reply's length differs from the record's
inline constexpr BYTE kCommandBadParameter = 3;
inline constexpr BYTE kCommandBufferTooSmall = 4;
inline constexpr BYTE kCommandBufferTooLarge = 5;
inline constexpr BYTE kCommandAllocFailed = 6;  // channel: nothing was sent
inline constexpr BYTE kCommandUnknownSet = 32;
inline constexpr BYTE kCommandUnknownId = 33;
inline constexpr BYTE kCommandInUse = 34;
inline constexpr BYTE kCommandUnknownFlagBlock = 64;
inline constexpr BYTE kCommandUnknownFlag = 65;
inline constexpr BYTE kCommandReleaseDriver = 66;
inline constexpr BYTE kCommandDeviceGone = 128;       // channel: the call failed
inline constexpr BYTE kCommandNotOpen = 129;          // channel: no device open
inline constexpr BYTE kCommandVersionMismatch = 130;  // channel: the driver speaks another version
inline constexpr BYTE kCommandPending = 131;          // channel: not completed yet
inline constexpr BYTE kCommandUnwritten = 255;        // channel: the driver wrote no status

// What follows a camera's interface path to open its connection.
inline constexpr char kConnectSuffix[] = "\\KMX512Connect";

// Opens INTERFACE_PATH followed directly by SUFFIX for overlapped I/O and
// stores the handle (INVALID_HANDLE_VALUE on failure, also when the two do
// not fit in 1023 characters). 1 when a handle was opened, else 0.
int OpenDevicePath(HANDLE* device, LPCSTR interface_path, LPCSTR suffix);

// 0 without a system call when *DEVICE is not open; else the result of
// CloseHandle. *DEVICE is INVALID_HANDLE_VALUE afterwards.
int CloseDevice(HANDLE* device);

// Without OVERLAPPED the call is complete when this returns: non-zero when
// it succeeded, BYTES (optional) holding the reply's length. With the
// caller's OVERLAPPED, non-zero when it was started; the caller keeps the
// OVERLAPPED, its event and the buffers alive until it completes.
int IoControl(HANDLE device, DWORD code, void* input, DWORD input_length, void* output,
              DWORD output_length, DWORD* bytes, OVERLAPPED* overlapped);

// Sends RECORD (LENGTH bytes, at least the status word) as input and output
// after filling its status byte with 255. Without OVERLAPPED: 128 when the
// call failed, 2 when the reply is not LENGTH bytes long, else the status
// byte. With OVERLAPPED: 131 once started (also when the driver completed it
// at once), 128 when it could not be started; CommandStatus tells the rest.
// A call that failed for want of memory answers 6, not 128: the device is
// not gone, and its holder keeps it.
BYTE SendCommand(HANDLE device, DWORD code, void* record, DWORD length, DWORD* bytes,
                 OVERLAPPED* overlapped);

// The status of a request that SendCommand started with OVERLAPPED: 131
// while pending, 128 when it completed as a failure (the device went away,
// the request was cancelled), else the status byte of RECORD.
BYTE CommandStatus(const OVERLAPPED* overlapped, const void* record);
// The same after waiting up to TIMEOUT milliseconds for its event.
BYTE WaitCommandStatus(const OVERLAPPED* overlapped, DWORD timeout, const void* record);

// The process's handle to the named mutex "KMX_REGISTRY_ACCESS", which every
// process holds around a refresh of the camera list. Created at module start
// (1 when the handle was obtained) and closed at module end.
int CreateRegistryMutex();
void CloseRegistryMutex();
// The handle, or null while there is none.
HANDLE RegistryAccessMutex();

// Opens the camera listed under ID (0 is taken as 1) after bringing the
// camera list up to date. With SCAN, a listed camera that does not open is
// passed over for the next id, up to id 256; the scan ends at the first id
// that is not listed. *DEVICE must be closed; it gets the handle, and
// OPENED_ID (optional) the id of the camera opened. 1 when one opened.
int OpenCamera(HANDLE* device, DWORD id, bool scan, DWORD* opened_id);

}  // namespace kmx
