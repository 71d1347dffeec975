#include "capture/camera_mode.h"

#include "device/kernel_channel.h"

namespace kmx {

bool SetCameraMode(CameraConnection& connection, DWORD* cache, DWORD target) {
    DWORD current = 0;
    if (cache)
        current = *cache;
    else if (GetMode(connection, &current) != kCommandSuccess)
        return false;
    bool result = true;
    auto step = [&](DWORD next) {
        if (SetMode(connection, next) != kCommandSuccess) return result = false;
        current = next;
        if (cache) *cache = next;
        return true;
    };
    if (target == kCameraIdle) {
        while (current > kCameraIdle && step(current - 1)) {
        }
    } else if (target == kCameraStreaming) {
        while (current < kCameraStreaming && step(current + 1)) {
        }
    } else if (target == kCameraReady) {
        if (current != kCameraReady) step(kCameraReady);
    }
    if (cache && *cache != target && GetMode(connection, cache) != kCommandSuccess) {
        *cache = 0;
        return false;
    }
    return result;
}

}  // namespace kmx
