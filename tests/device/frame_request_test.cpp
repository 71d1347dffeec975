// Frame request blocks: frames read through them, a pending read that keeps
// its block alive, reads that fail, and replies whose delivered count does
// not match what arrived.
#include "device_test_support.h"

#include "device/frame_request.h"
#include "device/kernel_channel.h"

#include <cstring>

namespace kmxdevicetest {
namespace {

constexpr DWORD kVgaCapacity = 2 * 640 * 480 + 608;

class FrameRequests : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        Plug("pantilt", "T1");
        ASSERT_EQ(kmx::ConnectionOpen(connection_, 1, false), kmx::kCommandSuccess);
        kmx::FormatRecord vga{640, 480, 24, {}, kmxcam::kMjpg, kVgaCapacity, 5};
        ASSERT_EQ(kmx::StartCameraStream(connection_, vga), kmx::kCommandSuccess);
    }
    void TearDown() override {
        kmx::ConnectionClose(connection_);
        DeviceTest::TearDown();
    }
    static DWORD Wait(kmx::FrameRequest* block) {
        return WaitForSingleObject(kmx::FrameRequestEvent(block)->hEvent, 20000);
    }

    kmx::CameraConnection connection_;
};

TEST_F(FrameRequests, FramesAreReadThroughTheBlock) {
    kmx::FrameRequest* block = nullptr;
    ASSERT_EQ(kmx::FrameRequestCreate(connection_, &block, kVgaCapacity), kmx::kCommandSuccess);
    ASSERT_EQ(kmx::SetMode(connection_, 1), kmx::kCommandSuccess);
    ASSERT_EQ(kmx::SetMode(connection_, 2), kmx::kCommandSuccess);
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_EQ(kmx::FrameRequestStart(block), kmx::kCommandSuccess);
        ASSERT_EQ(Wait(block), static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD delivered = 0;
        ASSERT_EQ(kmx::FrameRequestStatus(block, &delivered), kmx::kCommandSuccess);
        ASSERT_GT(delivered, 4u);
        const BYTE* data = nullptr;
        ASSERT_EQ(kmx::FrameRequestData(block, &data), kmx::kCommandSuccess);
        // A whole JPEG image: start and end markers.
        EXPECT_EQ(data[0], 0xFF);
        EXPECT_EQ(data[1], 0xD8);
        EXPECT_EQ(data[delivered - 2], 0xFF);
        EXPECT_EQ(data[delivered - 1], 0xD9);
    }
    // A driver that writes no status answers with nothing delivered.
    ASSERT_TRUE(service_->ArmFault("T1", kmx::kReadFrameCode,
                                   kmxcam::Fault{kmxcam::FaultKind::Unwritten, 0, 1}));
    ASSERT_EQ(kmx::FrameRequestStart(block), kmx::kCommandSuccess);
    ASSERT_EQ(Wait(block), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD delivered = 1;
    EXPECT_EQ(kmx::FrameRequestStatus(block, &delivered), kmx::kCommandUnwritten);
    EXPECT_EQ(delivered, 0u);
    EXPECT_EQ(kmx::FrameRequestDelete(block), kmx::kCommandSuccess);
}

TEST_F(FrameRequests, APendingReadKeepsItsBlockUntilItEnds) {
    kmx::FrameRequest* block = nullptr;
    ASSERT_EQ(kmx::FrameRequestCreate(connection_, &block, kVgaCapacity), kmx::kCommandSuccess);
    // The camera is not delivering yet: the read pends.
    ASSERT_EQ(kmx::FrameRequestStart(block), kmx::kCommandSuccess);
    DWORD delivered = 1;
    EXPECT_EQ(kmx::FrameRequestStatus(block, &delivered), kmx::kCommandPending);
    EXPECT_EQ(delivered, 0u);
    EXPECT_EQ(kmx::FrameRequestDelete(block), kmx::kCommandPending);

    // Unplugged, the read fails: 128, not the fill byte.
    ASSERT_TRUE(service_->Unplug("T1"));
    ASSERT_EQ(Wait(block), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(kmx::FrameRequestStatus(block, &delivered), kmx::kCommandDeviceGone);
    // A read that cannot start closes the device and leaves nothing pending.
    EXPECT_EQ(kmx::FrameRequestStart(block), kmx::kCommandDeviceGone);
    EXPECT_EQ(connection_.device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(kmx::FrameRequestDelete(block), kmx::kCommandSuccess);
}

TEST_F(FrameRequests, ClosingTheDeviceEndsAPendingRead) {
    kmx::FrameRequest* block = nullptr;
    ASSERT_EQ(kmx::FrameRequestCreate(connection_, &block, kVgaCapacity), kmx::kCommandSuccess);
    ASSERT_EQ(kmx::FrameRequestStart(block), kmx::kCommandSuccess);
    ASSERT_EQ(kmx::FrameRequestDelete(block), kmx::kCommandPending);
    kmx::ConnectionClose(connection_);
    ASSERT_EQ(Wait(block), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(kmx::FrameRequestDelete(block), kmx::kCommandSuccess);

    EXPECT_EQ(kmx::FrameRequestCreate(connection_, &block, MAXDWORD - 8), kmx::kCommandAllocFailed);
}

TEST_F(FrameRequests, ADeliveredCountBeyondWhatArrivedIsRefused) {
    HeldRequests driver;
    kmx::CameraConnection connection;
    ASSERT_EQ(driver.OpenAsCamera("\\\\?\\held#2", connection, kmx::kDriverInterfaceVersion),
              kmx::kCommandSuccess);

    constexpr DWORD kCapacity = 64;
    kmx::FrameRequest* block = nullptr;
    ASSERT_EQ(kmx::FrameRequestCreate(connection, &block, kCapacity), kmx::kCommandSuccess);
    // Each reply: status 0, DELIVERED claimed, ARRIVED frame bytes sent.
    auto read = [&](uint32_t claimed, size_t arrived, DWORD* delivered) {
        EXPECT_EQ(kmx::FrameRequestStart(block), kmx::kCommandSuccess);
        driver.Answer([&](std::vector<BYTE>& reply) {
            reply[0] = kmx::kCommandSuccess;
            std::memcpy(reply.data() + offsetof(kmx::ReadFrameHeader, delivered), &claimed,
                        sizeof claimed);
            reply.resize(sizeof(kmx::ReadFrameHeader) + arrived);
        });
        EXPECT_EQ(Wait(block), static_cast<DWORD>(WAIT_OBJECT_0));
        return kmx::FrameRequestStatus(block, delivered);
    };
    DWORD delivered = 1;
    EXPECT_EQ(read(10, 10, &delivered), kmx::kCommandSuccess);
    EXPECT_EQ(delivered, 10u);
    EXPECT_EQ(read(kCapacity, 10, &delivered), kmx::kCommandWrongLength);
    EXPECT_EQ(delivered, 0u);
    EXPECT_EQ(read(kCapacity + 1, kCapacity, &delivered), kmx::kCommandWrongLength);
    EXPECT_EQ(delivered, 0u);
    EXPECT_EQ(kmx::FrameRequestDelete(block), kmx::kCommandSuccess);
    kmx::ConnectionClose(connection);
}

}  // namespace
}  // namespace kmxdevicetest
