// A camera as kmxctl holds it: a debug device handle or a programming
// interface handle, each closed when it goes out of scope, and what the
// camera's driver tells service tools. Nothing a driver leaves unwritten is
// taken for an answer, and no list a driver gives is walked without end.
#pragma once

#include <kmxrecords/camera_commands.h>
#include <kmxrecords/driver_debug_records.h>
#include <kmx512u/kmxpi.h>

#include <optional>
#include <string>
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
    DWORD Id() const { return id_; }

  private:
    DWORD id_;
    KMXPI_HANDLE handle_ = nullptr;
};

// A property read: the library's status, and the value when the driver
// wrote one. A driver can complete a read without writing the value (the
// library then answers success); such a read has a success status and no
// value.
struct PropertyRead {
    DWORD status;
    std::optional<std::vector<BYTE>> value;
    // The camera has no such property.
    bool Lacking() const {
        return status == KMXPI_STATUS_BAD_GUID || status == KMXPI_STATUS_BAD_ID;
    }
};
PropertyRead ReadProperty(const CameraHandle& camera, const GUID& set, DWORD id, DWORD size);

// "camera ID has no WHAT": the camera lacks a property.
std::string Lacks(DWORD camera, const std::string& what);

// A list the driver gives item by item, as far as it was read: FAILURE is
// empty when the driver ended it as it should.
template <class Item>
struct DriverList {
    std::vector<Item> items;
    std::string failure;
};

// The camera's modes, in the driver's order; none when its driver does not
// describe them.
DriverList<kmx::FormatDescriptor> CameraModes(HANDLE device);
// The property and notification descriptors of the driver of DEVICE (-1:
// the first camera that opens), index 0 upwards until the driver has no
// more.
DriverList<kmx::PropertyDescriptor> PropertyDescriptors(HANDLE device);
DriverList<kmx::NotificationDescriptor> NotificationDescriptors(HANDLE device);
// The camera identity words, when the driver tells them.
std::optional<std::pair<DWORD, DWORD>> CameraIdentity(HANDLE device);

// The ids listed in the camera list, present or not, after bringing it up
// to date; and how many of the cameras open.
std::vector<DWORD> ListedCameras(DWORD* present);

}  // namespace kmxctl
