// Camera connections: the version check of the open, the stream word, mode
// and format commands, and a connection that loses its device.
#include "device_test_support.h"

#include "device/camera_connection.h"
#include "device/kernel_channel.h"

#include <cstring>

namespace kmxdevicetest {
namespace {

class Connection : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        Plug("pantilt", "T1");
        ASSERT_EQ(kmx::ConnectionOpen(connection_, 0, true), kmx::kCommandSuccess);
    }
    void TearDown() override {
        kmx::ConnectionClose(connection_);
        DeviceTest::TearDown();
    }
    void Arm(DWORD code, kmxcam::FaultKind kind, uint8_t status = 0) {
        ASSERT_TRUE(service_->ArmFault("T1", code, kmxcam::Fault{kind, status, 1}));
    }
    static void ExpectClosed(const kmx::CameraConnection& connection) {
        EXPECT_EQ(connection.connection_id, 0u);
        EXPECT_EQ(connection.device, INVALID_HANDLE_VALUE);
        EXPECT_EQ(connection.stream, 0u);
    }
    static kmx::FormatRecord Vga() {
        return kmx::FormatRecord{640, 480, 24, {}, kmxcam::kMjpg, 2 * 640 * 480 + 608, 33};
    }

    kmx::CameraConnection connection_;
};

TEST_F(Connection, OpenChecksTheInterfaceVersionAndLeavesFailuresClosed) {
    DWORD id = 0, identity1 = 0, identity2 = 0;
    ASSERT_EQ(kmx::ConnectionIdentity(connection_, &id, &identity1, &identity2),
              kmx::kCommandSuccess);
    EXPECT_EQ(id, 1u);
    EXPECT_EQ(identity1, 0x05120001u);
    EXPECT_EQ(identity2, 0x00010215u);

    kmx::CameraConnection other;
    EXPECT_EQ(kmx::ConnectionOpen(other, 2, false), 1);
    ExpectClosed(other);
    EXPECT_EQ(kmx::ConnectionIdentity(other, &id, nullptr, nullptr), kmx::kCommandNotOpen);
    Arm(kmx::kInterfaceVersionCode, kmxcam::FaultKind::Status, kmx::kCommandBadParameter);
    EXPECT_EQ(kmx::ConnectionOpen(other, 1, false), kmx::kCommandBadParameter);
    ExpectClosed(other);

    // A driver of another version is refused.
    HeldRequests driver;
    EXPECT_EQ(driver.OpenAsCamera("\\\\?\\held#1", other, 0x0214), kmx::kCommandVersionMismatch);
    ExpectClosed(other);
}

TEST_F(Connection, TheStreamWordIsKeptUntilTheStreamCloses) {
    ASSERT_EQ(kmx::StartCameraStream(connection_, Vga()), kmx::kCommandSuccess);
    DWORD stream = connection_.stream;
    EXPECT_NE(stream, 0u);
    // Held: nothing is sent, so the armed fault still waits for its request.
    Arm(kmx::kStreamOpenCode, kmxcam::FaultKind::Status, kmx::kCommandInUse);
    EXPECT_EQ(kmx::StartCameraStream(connection_, Vga()), kmx::kCommandSuccess);
    EXPECT_EQ(connection_.stream, stream);

    Arm(kmx::kStreamCloseCode, kmxcam::FaultKind::Status, kmx::kCommandBadState);
    EXPECT_EQ(kmx::StopCameraStream(connection_), kmx::kCommandBadState);
    EXPECT_EQ(connection_.stream, stream);
    EXPECT_EQ(kmx::StopCameraStream(connection_), kmx::kCommandSuccess);
    EXPECT_EQ(connection_.stream, 0u);
    EXPECT_EQ(kmx::StartCameraStream(connection_, Vga()), kmx::kCommandInUse);
    EXPECT_EQ(connection_.stream, 0u);
}

TEST_F(Connection, ModesDescriptorsAndFormatsReachTheCamera) {
    ASSERT_EQ(kmx::StartCameraStream(connection_, Vga()), kmx::kCommandSuccess);
    ASSERT_EQ(kmx::SetMode(connection_, 1), kmx::kCommandSuccess);
    DWORD mode = 0;
    ASSERT_EQ(kmx::GetMode(connection_, &mode), kmx::kCommandSuccess);
    EXPECT_EQ(mode, 1u);
    ASSERT_EQ(kmx::SetMode(connection_, 0), kmx::kCommandSuccess);

    kmx::FormatDescriptor descriptor;
    ASSERT_EQ(kmx::GetModeDescriptor(connection_, 1, &descriptor), kmx::kCommandSuccess);
    EXPECT_EQ(descriptor.count, 2);
    EXPECT_EQ(descriptor.index, 1);
    EXPECT_EQ(descriptor.format.compression, kmxcam::kKmxx);
    EXPECT_EQ(descriptor.max_width, 352);
    // A failure leaves the request: zeros and the index.
    EXPECT_EQ(kmx::GetModeDescriptor(connection_, 7, &descriptor), kmx::kCommandBadParameter);
    kmx::FormatDescriptor request{};
    request.index = 7;
    EXPECT_EQ(std::memcmp(&descriptor, &request, sizeof request), 0);

    EXPECT_EQ(kmx::CheckFormat(connection_, Vga()), kmx::kCommandSuccess);
    EXPECT_EQ(kmx::SetFormat(connection_, Vga()), kmx::kCommandSuccess);
    kmx::FormatRecord odd = Vga();
    odd.width = 641;
    EXPECT_EQ(kmx::CheckFormat(connection_, odd), kmx::kCommandBadParameter);
}

TEST_F(Connection, ALostDeviceIsClosedAtOnce) {
    Arm(kmx::kGetModeCode, kmxcam::FaultKind::Drop);
    DWORD mode = 7;
    EXPECT_EQ(kmx::GetMode(connection_, &mode), kmx::kCommandDeviceGone);
    EXPECT_EQ(mode, 7u);
    EXPECT_EQ(connection_.device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(connection_.connection_id, 1u);
    EXPECT_EQ(kmx::ConnectionIdentity(connection_, nullptr, nullptr, nullptr),
              kmx::kCommandNotOpen);
    EXPECT_EQ(kmx::SetMode(connection_, 1), kmx::kCommandDeviceGone);
    // The camera itself is still there to open again.
    ASSERT_EQ(kmx::ConnectionOpen(connection_, 1, false), kmx::kCommandSuccess);
    EXPECT_EQ(kmx::GetMode(connection_, &mode), kmx::kCommandSuccess);
}

}  // namespace
}  // namespace kmxdevicetest
