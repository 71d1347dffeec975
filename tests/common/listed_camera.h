// A simulated camera plugged into a service embedded in the test process and
// listed in the user's camera list at once (the process's own refresh may be
// a second away), for tests that name cameras by connection id.
#pragma once

#include <windows.h>

#include "camera_service.h"

#include <memory>
#include <string>

namespace kmxtest {

// A camera service embedded in the test process, serving the shipped
// profiles; null (with a test failure) when they do not load.
std::unique_ptr<kmxcam::CameraService> EmbeddedCameraService();

// Plugs a camera of PROFILE with SERIAL into SERVICE and lists it; its
// connection id, or 0 (with a test failure) when that fails.
DWORD PlugListedCamera(kmxcam::CameraService& service, const std::string& profile,
                       const std::string& serial);

}  // namespace kmxtest
