// The camera's mode: 0 idle (its format may be changed), 1 ready, 2
// streaming. The camera moves one step at a time, so every change of mode
// that the capture driver makes goes through SetCameraMode.
#pragma once

#include <windows.h>

#include "device/camera_connection.h"

namespace kmx {

inline constexpr DWORD kCameraIdle = 0;
inline constexpr DWORD kCameraReady = 1;
inline constexpr DWORD kCameraStreaming = 2;

// Brings the camera to TARGET: down one step at a time to idle, up one step
// at a time to streaming, straight to ready. The mode it starts from is
// *CACHE when a cache is given (kept up to date with each step), else the
// camera's own. When the camera does not end in TARGET the cache is read
// back from the camera (0 when that fails too). True when every step
// succeeded; an unknown target changes nothing.
bool SetCameraMode(CameraConnection& connection, DWORD* cache, DWORD target);

}  // namespace kmx
