#include "camera_access.h"

#include <kmx512u/kmxdebug.h>

#include "command_line.h"
#include "failures.h"

namespace kmxctl {

using namespace kmxtool;

namespace {

// More than any camera has: a driver that goes on past these never ends.
constexpr DWORD kMostListed = 256;

// Walks DESCRIBE from index 0 until the driver says there is no more.
template <class Item>
DriverList<Item> Descriptors(HANDLE device, DWORD (*describe)(HANDLE, DWORD, void*),
                             const char* what) {
    DriverList<Item> list;
    for (DWORD index = 0;; ++index) {
        if (index == kMostListed) {
            list.failure = "the driver's " + std::string(what) + " descriptors go on past " +
                           std::to_string(kMostListed);
            return list;
        }
        Item item{};
        DWORD status = describe(device, index, &item);
        if (status == KMXDEBUG_STATUS_BAD_PARAMETER) return list;
        if (status != KMXDEBUG_STATUS_SUCCESS) {
            list.failure = std::string(what) + " descriptor " + std::to_string(index) + ": " +
                           DebugStatusName(status);
            return list;
        }
        list.items.push_back(item);
    }
}

}  // namespace

DebugDevice::DebugDevice(DWORD id) {
    CheckDebug(KMXDebug_OpenDevice(static_cast<LONG>(id), &device_), "opening " + CameraName(id));
}

DebugDevice::~DebugDevice() {
    KMXDebug_CloseDevice(&device_);
}

CameraHandle::CameraHandle(DWORD id) : id_(id) {
    CheckInterface(KMXPI_HandleOpen(id, &handle_), "opening " + CameraName(id));
}

CameraHandle::~CameraHandle() {
    KMXPI_HandleClose(&handle_);
}

PropertyRead ReadProperty(const CameraHandle& camera, const GUID& set, DWORD id, DWORD size) {
    // The buffer goes to the driver filled; a reply that is the fill again
    // is read once more with another fill, which only a written value
    // survives.
    for (BYTE fill : {BYTE{0xFF}, BYTE{0x00}}) {
        std::vector<BYTE> value(size, fill);
        DWORD status = KMXPI_PropertyGet(camera.Handle(), &set, id, size, value.data());
        if (status != KMXPI_STATUS_SUCCESS) return {status, std::nullopt};
        bool all_fill = true;
        for (BYTE byte : value) all_fill = all_fill && byte == fill;
        if (!all_fill || size == 0) return {status, value};
    }
    return {KMXPI_STATUS_SUCCESS, std::nullopt};
}

std::string Lacks(DWORD camera, const std::string& what) {
    return "camera " + std::to_string(camera) + " has no " + what;
}

DriverList<kmx::FormatDescriptor> CameraModes(HANDLE device) {
    DriverList<kmx::FormatDescriptor> modes;
    for (WORD index = 0; index < kMostListed; ++index) {
        kmx::FormatDescriptor mode{};
        DWORD status =
            KMXDebug_Command(device, 0, kmx::kModeDescriptorRequest, index, &mode, sizeof mode);
        // A driver that does not describe its modes refuses the first.
        if (index == 0 && status == KMXDEBUG_STATUS_BAD_PARAMETER) return modes;
        if (status != KMXDEBUG_STATUS_SUCCESS) {
            modes.failure = "mode " + std::to_string(index) + ": " + DebugStatusName(status);
            return modes;
        }
        modes.items.push_back(mode);
        if (modes.items.size() >= mode.count) return modes;
    }
    modes.failure = "the driver's modes go on past " + std::to_string(kMostListed);
    return modes;
}

DriverList<kmx::PropertyDescriptor> PropertyDescriptors(HANDLE device) {
    return Descriptors<kmx::PropertyDescriptor>(device, KMXDebug_GetPropertyDescriptor, "property");
}

DriverList<kmx::NotificationDescriptor> NotificationDescriptors(HANDLE device) {
    return Descriptors<kmx::NotificationDescriptor>(device, KMXDebug_GetNotificationDescriptor,
                                                    "notification");
}

std::optional<std::pair<DWORD, DWORD>> CameraIdentity(HANDLE device) {
    DWORD words[2] = {};
    if (KMXDebug_Command(device, 0, kmx::kCameraIdentityRequest, 0, words, sizeof words) !=
        KMXDEBUG_STATUS_SUCCESS)
        return std::nullopt;
    return std::make_pair(words[0], words[1]);
}

std::vector<DWORD> ListedCameras(DWORD* present) {
    // Counting the cameras that open lists every present one first.
    *present = 0;
    KMXDebug_EnumDevices(nullptr, 0, present);
    std::vector<DWORD> ids;
    char path[KMXDEBUG_CONNECTION_STRING_SIZE];
    for (DWORD id = 1;
         KMXDebug_GetConnectionString(id, path, sizeof path) == KMXDEBUG_STATUS_SUCCESS; ++id)
        ids.push_back(id);
    return ids;
}

}  // namespace kmxctl
