// SetupDi*: snapshots of the device interfaces registered under a class.
#include <setupapi.h>

#include "devices/interface_registry.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace kmxwin {
namespace {

struct DeviceInfoSet {
    GUID class_guid;
    std::vector<std::string> paths;
};

// The sets handed out and not yet destroyed, so that a bad HDEVINFO is
// recognised rather than followed.
struct LiveSets {
    std::mutex lock;
    std::set<DeviceInfoSet*> sets;
};
LiveSets& Sets() {
    static LiveSets* sets = new LiveSets;
    return *sets;
}

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Runs ACTION on the set behind HANDLE under the lock, or fails with
// ERROR_INVALID_HANDLE.
template <class Action>
BOOL WithSet(HDEVINFO handle, Action action) {
    LiveSets& live = Sets();
    std::lock_guard guard(live.lock);
    auto* set = static_cast<DeviceInfoSet*>(handle);
    if (!live.sets.count(set)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return action(*set);
}

}  // namespace
}  // namespace kmxwin

using namespace kmxwin;

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR, HWND, DWORD Flags) {
    if (!ClassGuid || !(Flags & DIGCF_DEVICEINTERFACE) || (Flags & DIGCF_ALLCLASSES)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    try {
        auto set = std::make_unique<DeviceInfoSet>(DeviceInfoSet{*ClassGuid, {}});
        for (const InterfaceRecord& record : ListInterfaces(*ClassGuid))
            set->paths.push_back(record.path);
        LiveSets& live = Sets();
        std::lock_guard guard(live.lock);
        live.sets.insert(set.get());
        return set.release();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    return WithSet(DeviceInfoSet, [&](kmxwin::DeviceInfoSet& set) -> BOOL {
        if (!InterfaceClassGuid || !DeviceInterfaceData) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
            SetLastError(ERROR_INVALID_USER_BUFFER);
            return FALSE;
        }
        if (!SameGuid(*InterfaceClassGuid, set.class_guid) || MemberIndex >= set.paths.size()) {
            SetLastError(ERROR_NO_MORE_ITEMS);
            return FALSE;
        }
        DeviceInterfaceData->InterfaceClassGuid = set.class_guid;
        DeviceInterfaceData->Flags = SPINT_ACTIVE;
        DeviceInterfaceData->Reserved = MemberIndex + 1;  // which member this is
        return TRUE;
    });
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize, PSP_DEVINFO_DATA) {
    return WithSet(DeviceInfoSet, [&](kmxwin::DeviceInfoSet& set) -> BOOL {
        if (!DeviceInterfaceData ||
            DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
            DeviceInterfaceData->Reserved == 0 ||
            DeviceInterfaceData->Reserved > set.paths.size()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const std::string& path = set.paths[DeviceInterfaceData->Reserved - 1];
        DWORD required = static_cast<DWORD>(
            offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
        if (RequiredSize) *RequiredSize = required;
        if (!DeviceInterfaceDetailData) {
            SetLastError(DeviceInterfaceDetailDataSize ? ERROR_INVALID_PARAMETER
                                                       : ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        if (DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            SetLastError(ERROR_INVALID_USER_BUFFER);
            return FALSE;
        }
        if (DeviceInterfaceDetailDataSize < required) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(DeviceInterfaceDetailData->DevicePath, path.c_str(), path.size() + 1);
        return TRUE;
    });
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    LiveSets& live = Sets();
    std::lock_guard guard(live.lock);
    auto* set = static_cast<kmxwin::DeviceInfoSet*>(DeviceInfoSet);
    if (!live.sets.erase(set)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete set;
    return TRUE;
}

}  // extern "C"
