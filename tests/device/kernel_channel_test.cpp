// The channel to the driver: opening and closing device paths, the command
// status of every outcome of a request, with and without the caller's
// OVERLAPPED, and the registry access mutex of the module start.
#include "device_test_support.h"

#include "camera_records.h"
#include "common/test_environment.h"
#include "device/camera_enumeration.h"
#include "device/kernel_channel.h"

#include <cstring>
#include <thread>

namespace kmxdevicetest {
namespace {

using kmx::ConnectionRecord;

class Channel : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        path_ = Plug("pantilt", "T1");
        ASSERT_TRUE(kmx::OpenDevicePath(&device_, path_.c_str(), kmx::kConnectSuffix));
    }
    void TearDown() override {
        kmx::CloseDevice(&device_);
        DeviceTest::TearDown();
    }
    BYTE Send(DWORD code, ConnectionRecord& record, DWORD* bytes = nullptr,
              OVERLAPPED* overlapped = nullptr) {
        return kmx::SendCommand(device_, code, &record, sizeof record, bytes, overlapped);
    }
    void Arm(DWORD code, kmxcam::FaultKind kind, uint8_t status = 0) {
        ASSERT_TRUE(service_->ArmFault("T1", code, kmxcam::Fault{kind, status, 1}));
    }

    std::string path_;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

TEST_F(Channel, OpeningAndClosingLeaveMinusOneBehind) {
    HANDLE device = INVALID_HANDLE_VALUE;
    EXPECT_EQ(kmx::CloseDevice(&device), 0);
    EXPECT_EQ(kmx::OpenDevicePath(&device, path_.c_str(), "\\Elsewhere"), 0);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    // A path that does not fit is refused, not cut to another one.
    std::string long_path = path_ + std::string(1024 - path_.size(), 'x');
    EXPECT_EQ(kmx::OpenDevicePath(&device, long_path.c_str(), kmx::kConnectSuffix), 0);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);

    ASSERT_EQ(kmx::OpenDevicePath(&device, path_.c_str(), kmx::kConnectSuffix), 1);
    EXPECT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(kmx::CloseDevice(&device), 1);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(kmx::CloseDevice(&device), 0);
}

TEST_F(Channel, SynchronousCommandsAnswerTheDriversStatusOrTheChannels) {
    ConnectionRecord record{};
    DWORD bytes = 0;
    EXPECT_EQ(Send(kmx::kInterfaceVersionCode, record, &bytes), kmx::kCommandSuccess);
    EXPECT_EQ(bytes, sizeof record);
    EXPECT_EQ(record.payload[0] | record.payload[1] << 8, kmx::kDriverInterfaceVersion);

    Arm(kmx::kGetModeCode, kmxcam::FaultKind::Status, kmx::kCommandInUse);
    EXPECT_EQ(Send(kmx::kGetModeCode, record), kmx::kCommandInUse);
    // A short reply is 2, although the driver wrote success into it.
    Arm(kmx::kGetModeCode, kmxcam::FaultKind::WrongLength);
    EXPECT_EQ(Send(kmx::kGetModeCode, record, &bytes), kmx::kCommandWrongLength);
    EXPECT_EQ(bytes, sizeof record - 4);
    EXPECT_EQ(record.status & 0xFF, kmx::kCommandSuccess);
    // A driver that writes no status leaves the fill byte.
    Arm(kmx::kGetModeCode, kmxcam::FaultKind::Unwritten);
    EXPECT_EQ(Send(kmx::kGetModeCode, record), kmx::kCommandUnwritten);
    // The connection dropped under a pending request: the call failed, so
    // 128, and not the 2 of a reply that never came.
    Arm(kmx::kGetModeCode, kmxcam::FaultKind::Drop);
    EXPECT_EQ(Send(kmx::kGetModeCode, record), kmx::kCommandDeviceGone);
    EXPECT_EQ(Send(kmx::kGetModeCode, record), kmx::kCommandDeviceGone);

    HANDLE closed = INVALID_HANDLE_VALUE;
    record.status = 0;
    EXPECT_EQ(kmx::SendCommand(closed, kmx::kGetModeCode, &record, sizeof record, nullptr, nullptr),
              kmx::kCommandDeviceGone);
    EXPECT_EQ(record.status & 0xFF, kmx::kCommandUnwritten);
    EXPECT_EQ(kmx::IoControl(closed, kmx::kGetModeCode, &record, sizeof record, &record,
                             sizeof record, nullptr, nullptr),
              0);
}

TEST_F(Channel, SynchronousCallWaitsForTheReplyOfAPendingRequest) {
    // A driver that keeps the request: the call returns only with its reply.
    HeldRequests driver;
    std::unique_ptr<kmxwin::DeviceInterface> held =
        kmxwin::DeviceInterface::Register(kmx::kCameraInterfaceClass, "\\\\?\\held#1", driver);
    ASSERT_TRUE(held);
    HANDLE device = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(kmx::OpenDevicePath(&device, "\\\\?\\held#1", kmx::kConnectSuffix));
    BYTE status = 0;
    ConnectionRecord record{};
    std::thread sender([&] {
        status =
            kmx::SendCommand(device, kmx::kGetModeCode, &record, sizeof record, nullptr, nullptr);
    });
    EXPECT_EQ(driver.Answer([](std::vector<BYTE>& reply) { reply[0] = kmx::kCommandBadParameter; }),
              static_cast<DWORD>(kmx::kGetModeCode));
    sender.join();
    EXPECT_EQ(status, kmx::kCommandBadParameter);
    kmx::CloseDevice(&device);
}

TEST_F(Channel, WithTheCallersOverlappedTheStatusComesLater) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ConnectionRecord record{};
    // Completed at once by the driver, still 131 from the send.
    Arm(kmx::kGetModeCode, kmxcam::FaultKind::Status, kmx::kCommandBadParameter);
    EXPECT_EQ(Send(kmx::kGetModeCode, record, nullptr, &overlapped), kmx::kCommandPending);
    EXPECT_EQ(kmx::WaitCommandStatus(&overlapped, 20000, &record), kmx::kCommandBadParameter);

    ASSERT_TRUE(
        service_->ArmFault("T1", kmx::kGetModeCode, kmxcam::Fault{kmxcam::FaultKind::Stall, 0, 0}));
    EXPECT_EQ(Send(kmx::kGetModeCode, record, nullptr, &overlapped), kmx::kCommandPending);
    EXPECT_EQ(kmx::CommandStatus(&overlapped, &record), kmx::kCommandPending);
    EXPECT_EQ(kmx::WaitCommandStatus(&overlapped, 0, &record), kmx::kCommandPending);
    ASSERT_TRUE(service_->ClearFaults("T1"));
    EXPECT_EQ(kmx::WaitCommandStatus(&overlapped, 20000, &record), kmx::kCommandSuccess);

    // A request that fails after it started is 128, not the fill byte that
    // would pass for success.
    Arm(kmx::kGetModeCode, kmxcam::FaultKind::Drop);
    EXPECT_EQ(Send(kmx::kGetModeCode, record, nullptr, &overlapped), kmx::kCommandPending);
    EXPECT_EQ(kmx::WaitCommandStatus(&overlapped, 20000, &record), kmx::kCommandDeviceGone);
    EXPECT_EQ(record.status & 0xFF, kmx::kCommandUnwritten);
    // Not even started now.
    EXPECT_EQ(Send(kmx::kGetModeCode, record, nullptr, &overlapped), kmx::kCommandDeviceGone);
    CloseHandle(overlapped.hEvent);
}

TEST_F(Channel, TheModuleHoldsTheRegistryAccessMutexWhileLoaded) {
    // The fixture holds one; this process's handle is the only one.
    kmx::CloseRegistryMutex();
    EXPECT_EQ(kmx::RegistryAccessMutex(), nullptr);
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "KMX_REGISTRY_ACCESS"), nullptr);
    HMODULE library = LoadLibraryA(kmxtest::ProgramPath("../lib/libkmx512u.so").c_str());
    ASSERT_NE(library, nullptr) << "error " << GetLastError();
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "KMX_REGISTRY_ACCESS");
    EXPECT_NE(mutex, nullptr);
    CloseHandle(mutex);
    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "KMX_REGISTRY_ACCESS"), nullptr);
    ASSERT_TRUE(kmx::CreateRegistryMutex());
}

}  // namespace
}  // namespace kmxdevicetest
