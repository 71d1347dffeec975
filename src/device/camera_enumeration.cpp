#include "device/camera_enumeration.h"

#include "device/kernel_channel.h"
#include "support/registry_key.h"

#include <setupapi.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace kmx {
namespace {

// Opening a camera refreshes the list; this keeps a burst of opens from
// enumerating the bus each time.
constexpr DWORD kRefreshInterval = 1000;

std::atomic<bool> g_refreshed;
std::atomic<DWORD> g_last_refresh;

const char* CameraListPath() {
    static const std::string path = std::string(kSettingsKeyPath) + "\\Devices";
    return path.c_str();
}

// The name of the value that lists a camera: its id in decimal.
struct IdName {
    explicit IdName(DWORD id) {
        snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(id));
    }
    char text[12];
};

// What enumerating one member of the camera class gives.
enum class InterfaceEntry { Found, Unreadable, End };

InterfaceEntry CopyInterfacePath(HDEVINFO set, DWORD member, LPSTR path) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kCameraInterfaceClass, member, &data))
        return GetLastError() == ERROR_NO_MORE_ITEMS ? InterfaceEntry::End
                                                     : InterfaceEntry::Unreadable;
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
    // A detail with no room for a path has no camera to give.
    if (required <= offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath))
        return InterfaceEntry::Unreadable;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[required]);
    if (!buffer) return InterfaceEntry::Unreadable;
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, &info))
        return InterfaceEntry::Unreadable;
    // The system terminates the path within REQUIRED; a path too long for
    // our buffer is cut, never overrun.
    size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    size_t length = strnlen(detail->DevicePath, room);
    if (length >= kCameraPathSize) length = kCameraPathSize - 1;
    memcpy(path, detail->DevicePath, length);
    path[length] = '\0';
    return InterfaceEntry::Found;
}

InterfaceEntry EnumInterfaceEntry(LPSTR path, DWORD index) {
    if (index == 0) return InterfaceEntry::End;
    HDEVINFO set = SetupDiGetClassDevsA(&kCameraInterfaceClass, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return InterfaceEntry::End;
    InterfaceEntry entry = CopyInterfacePath(set, index - 1, path);
    SetupDiDestroyDeviceInfoList(set);
    return entry;
}

}  // namespace

int EnumInterfacePath(LPSTR path, DWORD index) {
    return EnumInterfaceEntry(path, index) == InterfaceEntry::Found;
}

DWORD LookupCamera(LPSTR path, DWORD id) {
    RegistryKey list(HKEY_CURRENT_USER, CameraListPath(), true, false);
    return list.QueryString(IdName(id).text, path, kCameraPathSize);
}

DWORD FindCamera(LPCSTR path) {
    RegistryKey list(HKEY_CURRENT_USER, CameraListPath(), true, false);
    char stored[kCameraPathSize];
    for (DWORD id = 1;; ++id) {
        if (!list.QueryString(IdName(id).text, stored, sizeof stored)) return id;
        if (strcmp(stored, path) == 0) return 0;
    }
}

int RegisterCamera(LPCSTR path) {
    DWORD id = FindCamera(path);
    if (id == 0) return 1;
    RegistryKey list(HKEY_CURRENT_USER, CameraListPath(), true, false);
    return list.SetString(IdName(id).text, path);
}

void RefreshCameraList() {
    DWORD now = GetTickCount();
    // Measured as elapsed ticks, so that the limit still holds when the tick
    // count wraps, and the first refresh of a process always runs.
    if (g_refreshed && now - g_last_refresh < kRefreshInterval) return;
    g_last_refresh = now;
    g_refreshed = true;
    // Two processes that found the same free id would both write it; the
    // mutex makes each refresh see the ids the others gave. Without it (its
    // creation failed at start) the refresh runs unguarded rather than not
    // at all.
    HANDLE mutex = RegistryAccessMutex();
    DWORD wait = mutex ? WaitForSingleObject(mutex, INFINITE) : WAIT_FAILED;
    // An interface that cannot be read (it went away meanwhile, or memory
    // ran short) is passed over: the cameras after it are listed all the same.
    char path[kCameraPathSize];
    InterfaceEntry entry;
    try {
        for (DWORD index = 1; (entry = EnumInterfaceEntry(path, index)) != InterfaceEntry::End;
             ++index)
            if (entry == InterfaceEntry::Found) RegisterCamera(path);
    } catch (...) {
        // Memory ran short: the cameras listed so far stay, the rest wait
        // for the next refresh, and the mutex is given back all the same.
    }
    // An abandoned mutex is ours all the same: its owner died mid-refresh,
    // and every registry write it made was whole.
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex);
}

}  // namespace kmx
