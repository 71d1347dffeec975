#include "camera_access.h"

#include <kmxrecords/driver_debug_records.h>
#include <kmx512u/kmxdebug.h>

#include "command_line.h"
#include "failures.h"

namespace kmxctl {

using namespace kmxtool;

DebugDevice::DebugDevice(DWORD id) {
    CheckDebug(KMXDebug_OpenDevice(static_cast<LONG>(id), &device_), "opening " + CameraName(id));
}

DebugDevice::~DebugDevice() {
    KMXDebug_CloseDevice(&device_);
}

CameraHandle::CameraHandle(DWORD id) {
    CheckInterface(KMXPI_HandleOpen(id, &handle_), "opening " + CameraName(id));
}

CameraHandle::~CameraHandle() {
    KMXPI_HandleClose(&handle_);
}

std::vector<kmx::FormatDescriptor> CameraModes(HANDLE device) {
    std::vector<kmx::FormatDescriptor> modes;
    for (WORD index = 0;; ++index) {
        kmx::FormatDescriptor mode{};
        if (KMXDebug_Command(device, 0, kmx::kModeDescriptorRequest, index, &mode, sizeof mode) !=
            KMXDEBUG_STATUS_SUCCESS)
            break;
        modes.push_back(mode);
        if (modes.size() >= mode.count) break;
    }
    return modes;
}

std::optional<std::pair<DWORD, DWORD>> CameraIdentity(HANDLE device) {
    DWORD words[2] = {};
    if (KMXDebug_Command(device, 0, kmx::kCameraIdentityRequest, 0, words, sizeof words) !=
        KMXDEBUG_STATUS_SUCCESS)
        return std::nullopt;
    return std::make_pair(words[0], words[1]);
}

std::vector<DWORD> ListedCameras() {
    // Counting the cameras that open lists every present one first.
    DWORD present = 0;
    KMXDebug_EnumDevices(nullptr, 0, &present);
    std::vector<DWORD> ids;
    char path[KMXDEBUG_CONNECTION_STRING_SIZE];
    for (DWORD id = 1;
         KMXDebug_GetConnectionString(id, path, sizeof path) == KMXDEBUG_STATUS_SUCCESS; ++id)
        ids.push_back(id);
    return ids;
}

}  // namespace kmxctl
