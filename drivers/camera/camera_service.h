// The cameras a service serves: plugging one registers its device interface
// under the camera class, unplugging signals its removal notifications,
// fails its open connections and removes the interface. The same serial
// always gets the same interface path.
#pragma once

#include <kmxwin/device_service.h>

#include "camera_driver.h"
#include "camera_profile.h"
#include "fault_injection.h"
#include "simulated_camera.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kmxcam {

class CameraService {
  public:
    explicit CameraService(ProfileSet profiles) : profiles_(std::move(profiles)) {}
    ~CameraService();
    CameraService(const CameraService&) = delete;
    CameraService& operator=(const CameraService&) = delete;

    // Plugs a camera of PROFILE with SERIAL (a fresh one when empty); its
    // interface path, or nullopt with ERROR saying why not.
    std::optional<std::string> Plug(const std::string& profile, std::string serial,
                                    std::string& error);
    bool Unplug(const std::string& serial);

    struct Listing {
        std::string serial, profile, path;
    };
    std::vector<Listing> List();
    bool ArmFault(const std::string& serial, DWORD code, const Fault& fault);
    bool ClearFaults(const std::string& serial);
    // Waits up to TIMEOUT until a request to the camera SERIAL is stalled by
    // a fault; whether one is. Plugging and unplugging wait meanwhile.
    bool WaitStalled(const std::string& serial, std::chrono::milliseconds timeout);
    // The camera's property values and armed faults, or nullopt for an
    // unknown serial.
    std::optional<std::string> Properties(const std::string& serial);

    const ProfileSet& Profiles() const { return profiles_; }
    static std::string InterfacePath(const CameraProfile& profile, const std::string& serial);

  private:
    struct Plugged {
        std::unique_ptr<SimulatedCamera> camera;
        std::unique_ptr<CameraDriver> driver;
        // Last, so that it goes first: the driver must outlive its interface.
        std::unique_ptr<kmxwin::DeviceInterface> interface;
    };
    Plugged* Find(const std::string& serial);
    static void Remove(std::unique_ptr<Plugged> plugged);

    const ProfileSet profiles_;
    std::mutex lock_;
    std::vector<std::unique_ptr<Plugged>> cameras_;
    unsigned next_serial_ = 1;
};

}  // namespace kmxcam
