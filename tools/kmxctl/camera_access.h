// A camera as kmxctl holds it: a debug device handle or a programming
// interface handle, each closed when it goes out of scope, and what the
// camera's driver tells service tools through the debug command.
#pragma once

#include <kmxrecords/camera_commands.h>
#include <kmx512u/kmxpi.h>

#include <optional>
#include <utility>
#include <vector>

namespace kmxctl {

class DebugDevice {
  public:
    // Opens the camera listed under ID; a Failure when it does not open.
    explicit DebugDevice(DWORD id);
    ~DebugDevice();
    DebugDevice(const DebugDevice&) = delete;
    DebugDevice& operator=(const DebugDevice&) = delete;
    HANDLE Handle() const { return device_; }

  private:
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

class CameraHandle {
  public:
    explicit CameraHandle(DWORD id);
    ~CameraHandle();
    CameraHandle(const CameraHandle&) = delete;
    CameraHandle& operator=(const CameraHandle&) = delete;
    KMXPI_HANDLE Handle() const { return handle_; }

  private:
    KMXPI_HANDLE handle_ = nullptr;
};

// What the driver of the camera open on DEVICE (a debug device handle)
// tells: the camera's modes, in the driver's order; empty when its driver does not
// describe them.
std::vector<kmx::FormatDescriptor> CameraModes(HANDLE device);
// The camera identity words, when the driver tells them.
std::optional<std::pair<DWORD, DWORD>> CameraIdentity(HANDLE device);

// The ids listed in the camera list, present or not, after bringing it up
// to date.
std::vector<DWORD> ListedCameras();

}  // namespace kmxctl
