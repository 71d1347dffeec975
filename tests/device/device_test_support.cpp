#include "device_test_support.h"

#include "device/camera_enumeration.h"
#include "device/kernel_channel.h"

#include <thread>

namespace kmxdevicetest {

void DeviceTest::SetUp() {
    std::string error;
    std::optional<kmxcam::ProfileSet> profiles =
        kmxcam::LoadProfiles(kmxcam::DefaultProfilePath(), error);
    ASSERT_TRUE(profiles) << error;
    service_ = std::make_unique<kmxcam::CameraService>(std::move(*profiles));
    ASSERT_TRUE(kmx::CreateRegistryMutex());
}

void DeviceTest::TearDown() {
    kmx::CloseRegistryMutex();
    service_.reset();
}

std::string DeviceTest::Plug(const std::string& profile, const std::string& serial) {
    std::string error;
    std::optional<std::string> path = service_->Plug(profile, serial, error);
    EXPECT_TRUE(path) << error;
    return path.value_or("");
}

void HeldRequests::Request(std::unique_ptr<kmxwin::DeviceRequest> request) {
    std::lock_guard guard(lock_);
    held_.push_back(std::move(request));
    arrived_.notify_all();
}

DWORD HeldRequests::Answer(const std::function<void(std::vector<BYTE>&)>& edit) {
    std::unique_ptr<kmxwin::DeviceRequest> request;
    {
        std::unique_lock guard(lock_);
        arrived_.wait(guard, [this] { return !held_.empty(); });
        request = std::move(held_.front());
        held_.pop_front();
    }
    std::vector<BYTE> reply = request->Input();
    edit(reply);
    request->Complete(STATUS_SUCCESS, reply.data(), static_cast<DWORD>(reply.size()));
    return request->ControlCode();
}

BYTE HeldRequests::OpenAsCamera(const std::string& path, kmx::CameraConnection& connection,
                                uint16_t version) {
    interface_ = kmxwin::DeviceInterface::Register(kmx::kCameraInterfaceClass, path, *this);
    EXPECT_TRUE(interface_);
    if (!interface_) return kmx::kCommandDeviceGone;
    // Listed directly: this process's next refresh may be a second away.
    DWORD id = kmx::FindCamera(path.c_str());
    EXPECT_EQ(kmx::RegisterCamera(path.c_str()), 1);
    BYTE status = 0;
    std::thread opener([&] { status = kmx::ConnectionOpen(connection, id, false); });
    Answer([version](std::vector<BYTE>& reply) {
        reply[0] = kmx::kCommandSuccess;
        reply[offsetof(kmx::ConnectionRecord, payload)] = version & 0xFF;
        reply[offsetof(kmx::ConnectionRecord, payload) + 1] = version >> 8;
    });
    opener.join();
    return status;
}

}  // namespace kmxdevicetest
