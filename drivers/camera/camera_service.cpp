#include "camera_service.h"

#include "camera_change_notice.h"

#include <algorithm>
#include <cctype>

namespace kmxcam {

namespace {

// Serials become part of a device path, so they keep to its safe characters.
bool ValidSerial(const std::string& serial) {
    return !serial.empty() && serial.size() <= 32 &&
           std::all_of(serial.begin(), serial.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
           });
}

}  // namespace

CameraService::~CameraService() {
    std::vector<std::unique_ptr<Plugged>> cameras;
    {
        std::lock_guard guard(lock_);
        cameras.swap(cameras_);
    }
    for (std::unique_ptr<Plugged>& plugged : cameras) Remove(std::move(plugged));
}

std::string CameraService::InterfacePath(const CameraProfile& profile, const std::string& serial) {
    char prefix[64];
    snprintf(prefix, sizeof prefix, "\\\\?\\usb#vid_%04x&pid_%04x#", profile.device_id1 >> 16,
             profile.device_id1 & 0xFFFF);
    std::string guid = GuidText(kCameraInterfaceClass);
    std::transform(guid.begin(), guid.end(), guid.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return prefix + serial + "#" + guid;
}

CameraService::Plugged* CameraService::Find(const std::string& serial) {
    for (std::unique_ptr<Plugged>& plugged : cameras_)
        if (plugged->camera->Serial() == serial) return plugged.get();
    return nullptr;
}

std::optional<std::string> CameraService::Plug(const std::string& profile_name, std::string serial,
                                               std::string& error) {
    const CameraProfile* profile = profiles_.Find(profile_name);
    if (!profile) {
        error = "no profile named " + profile_name;
        return std::nullopt;
    }
    std::lock_guard guard(lock_);
    if (serial.empty()) {
        do {
            serial = "SIM" + std::to_string(next_serial_++);
        } while (Find(serial));
    }
    if (!ValidSerial(serial)) {
        error = "a serial is 1 to 32 letters, digits, '-' or '_'";
        return std::nullopt;
    }
    if (Find(serial)) {
        error = "a camera with serial " + serial + " is already plugged";
        return std::nullopt;
    }
    auto plugged = std::make_unique<Plugged>();
    plugged->camera = std::make_unique<SimulatedCamera>(*profile, serial);
    plugged->driver = std::make_unique<CameraDriver>(*plugged->camera);
    std::string path = InterfacePath(*profile, serial);
    plugged->interface = kmxwin::DeviceInterface::Register(
        kCameraInterfaceClass, path, *plugged->driver, CameraDriver::InputExtents());
    if (!plugged->interface) {
        error = "cannot register " + path + " (error " + std::to_string(GetLastError()) + ")";
        return std::nullopt;
    }
    cameras_.push_back(std::move(plugged));
    NoteCameraArrival(path);
    return path;
}

void CameraService::Remove(std::unique_ptr<Plugged> plugged) {
    // Removal notifications go out before the connections fail, so that a
    // client learns why its requests fail; the machine-wide notice once the
    // interface is gone, so that a watcher that counts then finds it gone.
    plugged->camera->SignalRemoval();
    plugged->interface.reset();
    NoteCameraRemoval();
}

bool CameraService::Unplug(const std::string& serial) {
    std::unique_ptr<Plugged> removed;
    {
        std::lock_guard guard(lock_);
        auto found = std::find_if(cameras_.begin(), cameras_.end(), [&](const auto& plugged) {
            return plugged->camera->Serial() == serial;
        });
        if (found == cameras_.end()) return false;
        removed = std::move(*found);
        cameras_.erase(found);
    }
    // Outside the lock: removing the interface waits for its service thread,
    // which may be handing a request to this camera.
    Remove(std::move(removed));
    return true;
}

std::vector<CameraService::Listing> CameraService::List() {
    std::lock_guard guard(lock_);
    std::vector<Listing> listing;
    for (const std::unique_ptr<Plugged>& plugged : cameras_)
        listing.push_back({plugged->camera->Serial(), plugged->camera->Profile().name,
                           plugged->interface->Path()});
    return listing;
}

bool CameraService::ArmFault(const std::string& serial, DWORD code, const Fault& fault) {
    std::lock_guard guard(lock_);
    Plugged* plugged = Find(serial);
    if (plugged) plugged->driver->ArmFault(code, fault);
    return plugged;
}

bool CameraService::ClearFaults(const std::string& serial) {
    std::lock_guard guard(lock_);
    Plugged* plugged = Find(serial);
    if (plugged) plugged->driver->ClearFaults();
    return plugged;
}

bool CameraService::WaitStalled(const std::string& serial, std::chrono::milliseconds timeout) {
    std::lock_guard guard(lock_);
    Plugged* plugged = Find(serial);
    return plugged && plugged->driver->WaitStalled(timeout);
}

std::optional<std::string> CameraService::Properties(const std::string& serial) {
    std::lock_guard guard(lock_);
    Plugged* plugged = Find(serial);
    if (!plugged) return std::nullopt;
    std::string faults = plugged->driver->FaultsText();
    return plugged->camera->PropertiesText() + (faults.empty() ? "" : "faults:\n" + faults);
}

std::optional<std::vector<std::string>> CameraService::Activity(const std::string& serial) {
    std::lock_guard guard(lock_);
    Plugged* plugged = Find(serial);
    if (!plugged) return std::nullopt;
    return plugged->driver->Activity();
}

std::optional<SimulatedCamera::FrameCounters> CameraService::Counters(const std::string& serial) {
    std::lock_guard guard(lock_);
    Plugged* plugged = Find(serial);
    if (!plugged) return std::nullopt;
    return plugged->camera->Counters();
}

}  // namespace kmxcam
