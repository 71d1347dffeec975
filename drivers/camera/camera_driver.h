// The device driver of one simulated camera: decodes the request records of
// its clients byte for byte, has the camera carry them out and writes the
// command status into each reply, and applies the faults armed on it.
#pragma once

#include <kmxwin/device_service.h>

#include "camera_activity.h"
#include "fault_injection.h"
#include "simulated_camera.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <optional>
#include <mutex>
#include <span>
#include <vector>

namespace kmxcam {

// What clients append to the interface path to reach the camera.
constexpr const char* kConnectSuffix = "\\KMX512Connect";

class CameraDriver : public kmxwin::DeviceDriver {
  public:
    explicit CameraDriver(SimulatedCamera& camera) : camera_(camera) {}

    // A frame read's record is its header and room for the frame: only the
    // header is read, so clients need not send the room.
    static std::vector<kmxwin::InputExtent> InputExtents() {
        return {{kReadFrameCode, sizeof(ReadFrameHeader)}};
    }

    bool Open(kmxwin::DeviceConnection& connection) override;
    void Request(std::unique_ptr<kmxwin::DeviceRequest> request) override;
    void Closed(kmxwin::DeviceConnection& connection) override;
    void Cancel(kmxwin::DeviceConnection& connection, uint64_t id) override;

    void ArmFault(DWORD code, const Fault& fault);
    // Clears every fault; stalled requests are then carried out.
    void ClearFaults();
    // Waits up to TIMEOUT until a request is stalled; whether one is.
    bool WaitStalled(std::chrono::milliseconds timeout);
    // The armed faults, one "CODE FAULT" a line.
    std::string FaultsText();
    // What the camera was told to do (see CameraActivity).
    std::vector<std::string> Activity() { return activity_.Entries(); }

  private:
    // Carries out a request; LEAVE_STATUS keeps the status byte as sent.
    void Execute(std::unique_ptr<kmxwin::DeviceRequest> request, bool leave_status);
    uint8_t Connection(DWORD code, std::span<BYTE> record, const kmxwin::DeviceConnection& client);
    uint8_t Interface(DWORD code, std::span<BYTE> record, kmxwin::DeviceConnection& client);
    uint8_t Debug(DWORD code, std::span<BYTE> record);
    // Takes the stalled requests of CONNECTION (only request ID, when given)
    // off the list; the caller lets them go outside the lock.
    std::vector<std::unique_ptr<kmxwin::DeviceRequest>> TakeStalled(
        const kmxwin::DeviceConnection& connection, std::optional<uint64_t> id);

    SimulatedCamera& camera_;
    std::mutex lock_;
    FaultInjection faults_;
    CameraActivity activity_;
    std::vector<std::unique_ptr<kmxwin::DeviceRequest>> stalled_;
    std::condition_variable stalling_;  // a request joined stalled_
};

}  // namespace kmxcam
