#include "device/kernel_channel.h"

#include "device/camera_enumeration.h"

#include <cstdio>

namespace kmx {
namespace {

constexpr DWORD kDevicePathSize = 1024;
// Scans never go past this id.
constexpr DWORD kLastScannedId = 256;

HANDLE g_registry_mutex;

}  // namespace

int OpenDevicePath(HANDLE* device, LPCSTR interface_path, LPCSTR suffix) {
    char path[kDevicePathSize];
    int length = snprintf(path, sizeof path, "%s%s", interface_path, suffix);
    // A truncated path would name another device: refuse it rather than open it.
    if (length < 0 || static_cast<DWORD>(length) >= sizeof path) {
        *device = INVALID_HANDLE_VALUE;
        return 0;
    }
    *device = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    return *device != INVALID_HANDLE_VALUE;
}

int CloseDevice(HANDLE* device) {
    if (*device == INVALID_HANDLE_VALUE) return 0;
    BOOL closed = CloseHandle(*device);
    *device = INVALID_HANDLE_VALUE;
    return closed;
}

int IoControl(HANDLE device, DWORD code, void* input, DWORD input_length, void* output,
              DWORD output_length, DWORD* bytes, OVERLAPPED* overlapped) {
    if (device == INVALID_HANDLE_VALUE) return 0;
    if (overlapped) {
        return DeviceIoControl(device, code, input, input_length, output, output_length, bytes,
                               overlapped) ||
               GetLastError() == ERROR_IO_PENDING;
    }
    // The handle is open for overlapped I/O, so even a call we wait for
    // needs an OVERLAPPED; each call has its own event so that threads
    // sharing the handle do not wake each other.
    OVERLAPPED local{};
    local.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!local.hEvent) return 0;
    DWORD count = 0;
    BOOL done =
        DeviceIoControl(device, code, input, input_length, output, output_length, &count, &local);
    // A request that fails while pending (the device goes away under it)
    // has failed: its buffers hold nothing from the driver.
    if (!done && GetLastError() == ERROR_IO_PENDING)
        done = GetOverlappedResult(device, &local, &count, TRUE);
    CloseHandle(local.hEvent);
    if (bytes) *bytes = count;
    return done;
}

// Whether the last call failed for want of memory rather than for the
// device: the camera is still there.
bool OutOfMemory() {
    DWORD error = GetLastError();
    return error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY ||
           error == ERROR_NO_SYSTEM_RESOURCES;
}

BYTE SendCommand(HANDLE device, DWORD code, void* record, DWORD length, DWORD* bytes,
                 OVERLAPPED* overlapped) {
    static_cast<BYTE*>(record)[0] = kCommandUnwritten;
    DWORD count = 0;
    int done = IoControl(device, code, record, length, record, length, &count, overlapped);
    if (bytes) *bytes = count;
    if (!done && device != INVALID_HANDLE_VALUE && OutOfMemory()) return kCommandAllocFailed;
    if (!done) return kCommandDeviceGone;
    if (overlapped) return kCommandPending;
    if (count != length) return kCommandWrongLength;
    return static_cast<const BYTE*>(record)[0];
}

BYTE CommandStatus(const OVERLAPPED* overlapped, const void* record) {
    if (!HasOverlappedIoCompleted(overlapped)) return kCommandPending;
    // A request that completed as a failure never reached the driver's
    // answer; the fill byte would read as success.
    if (overlapped->Internal != 0) return kCommandDeviceGone;  // not STATUS_SUCCESS
    return static_cast<const BYTE*>(record)[0];
}

BYTE WaitCommandStatus(const OVERLAPPED* overlapped, DWORD timeout, const void* record) {
    WaitForSingleObject(overlapped->hEvent, timeout);
    return CommandStatus(overlapped, record);
}

int CreateRegistryMutex() {
    g_registry_mutex = CreateMutexA(nullptr, FALSE, "KMX_REGISTRY_ACCESS");
    return g_registry_mutex != nullptr;
}

void CloseRegistryMutex() {
    if (!g_registry_mutex) return;
    CloseHandle(g_registry_mutex);
    g_registry_mutex = nullptr;
}

HANDLE RegistryAccessMutex() {
    return g_registry_mutex;
}

int OpenCamera(HANDLE* device, DWORD id, bool scan, DWORD* opened_id) {
    *device = INVALID_HANDLE_VALUE;
    RefreshCameraList();
    if (id == 0) id = 1;
    char path[kCameraPathSize];
    for (;; ++id) {
        if (!LookupCamera(path, id)) return 0;
        if (OpenDevicePath(device, path, kConnectSuffix)) {
            if (opened_id) *opened_id = id;
            return 1;
        }
        if (!scan || id >= kLastScannedId) return 0;
    }
}

}  // namespace kmx
