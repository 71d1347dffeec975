// What the device link's tests share: the camera service embedded in the
// test process, with the registry access mutex held as the module start
// holds it, and a driver that keeps each request until the test answers it
// with a reply of its choosing (for replies no simulated camera gives).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "camera_service.h"
#include "device/camera_connection.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kmxdevicetest {

class DeviceTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Plugs a camera of PROFILE; its interface path.
    std::string Plug(const std::string& profile, const std::string& serial);

    std::unique_ptr<kmxcam::CameraService> service_;
};

class HeldRequests : public kmxwin::DeviceDriver {
  public:
    bool Open(kmxwin::DeviceConnection&) override { return true; }
    void Request(std::unique_ptr<kmxwin::DeviceRequest> request) override;
    void Closed(kmxwin::DeviceConnection&) override {}

    // Waits for the next request and completes it successfully with its own
    // record as changed by EDIT (which may also shorten it); its control code.
    DWORD Answer(const std::function<void(std::vector<BYTE>&)>& edit);

    // Serves PATH under the camera class, lists it as a camera and opens
    // CONNECTION on it, answering the version check with VERSION; the
    // open's status.
    BYTE OpenAsCamera(const std::string& path, kmx::CameraConnection& connection, uint16_t version);

  private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<std::unique_ptr<kmxwin::DeviceRequest>> held_;
    // Last, so that it goes first: the driver must outlive its interface.
    std::unique_ptr<kmxwin::DeviceInterface> interface_;
};

}  // namespace kmxdevicetest
