// Faults armed per control code: a chosen status, a reply of the wrong
// length, an unwritten status byte, a stall and a dropped connection, each
// for a count of requests or until cleared.
#include "camera_client.h"

#include <cstring>

namespace kmxcamtest {
namespace {

using Faults = CameraTest;

TEST_F(Faults, StatusAndWrongLengthLastForTheirCount) {
    ASSERT_TRUE(service_->ArmFault("T1", kGetModeCode, Fault{FaultKind::Status, kInUse, 2}));
    ConnectionRecord mode = ConnectionWith(0);
    EXPECT_EQ(SendConnection(device_, kGetModeCode, mode), kInUse);
    EXPECT_EQ(SendConnection(device_, kGetModeCode, mode), kInUse);
    EXPECT_EQ(SendConnection(device_, kGetModeCode, mode), kSuccess);

    ASSERT_TRUE(
        service_->ArmFault("T1", kInterfaceVersionCode, Fault{FaultKind::WrongLength, 0, 0}));
    std::vector<BYTE> record(sizeof(ConnectionRecord));
    DWORD bytes = 0;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Send(device_, kInterfaceVersionCode, record, &bytes));
        EXPECT_LT(bytes, record.size());
    }
    ASSERT_TRUE(service_->ClearFaults("T1"));
    ASSERT_EQ(Send(device_, kInterfaceVersionCode, record, &bytes), kSuccess);
    EXPECT_EQ(bytes, record.size());
    EXPECT_FALSE(service_->ArmFault("nobody", kGetModeCode, Fault{}));
}

TEST_F(Faults, UnwrittenStatusStillCarriesOutTheCommand) {
    ASSERT_TRUE(service_->ArmFault("T1", kPropertySetCode, Fault{FaultKind::Unwritten, 0, 1}));
    std::vector<BYTE> flip{1};
    EXPECT_EQ(SendInterface(device_, kPropertySetCode, sets::kCamera, camera_ids::kFlip, flip, 1),
              kUnwritten);
    std::vector<BYTE> seen(1);
    ASSERT_EQ(SendInterface(device_, kPropertyGetCode, sets::kCamera, camera_ids::kFlip, seen, 1),
              kSuccess);
    EXPECT_EQ(seen, std::vector<BYTE>{1});
}

TEST_F(Faults, StalledRequestsWaitForClearingOrTheirClient) {
    ASSERT_TRUE(service_->ArmFault("T1", kConnectionIdentityCode, Fault{FaultKind::Stall, 0, 0}));
    std::vector<BYTE> record(sizeof(ConnectionRecord), 0);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD bytes = 0;
    ASSERT_FALSE(DeviceIoControl(device_, kConnectionIdentityCode, record.data(), 44, record.data(),
                                 44, &bytes, &overlapped));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    // Other commands pass meanwhile.
    ConnectionRecord version = ConnectionWith(0);
    EXPECT_EQ(SendConnection(device_, kInterfaceVersionCode, version), kSuccess);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // Cleared, the stalled request is carried out.
    ASSERT_TRUE(service_->ClearFaults("T1"));
    ASSERT_TRUE(GetOverlappedResult(device_, &overlapped, &bytes, TRUE));
    EXPECT_EQ(record[0], kSuccess);
    uint32_t identity;
    std::memcpy(&identity, record.data() + 8, 4);
    EXPECT_EQ(identity, 0x05120001u);

    // A client that closes its handle takes its stalled request with it.
    ASSERT_TRUE(service_->ArmFault("T1", kGetModeCode, Fault{FaultKind::Stall, 0, 0}));
    HANDLE other = OpenCamera(path_);
    ResetEvent(overlapped.hEvent);
    ASSERT_FALSE(DeviceIoControl(other, kGetModeCode, record.data(), 44, record.data(), 44, &bytes,
                                 &overlapped));
    CloseHandle(other);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_TRUE(service_->ClearFaults("T1"));
    CloseHandle(overlapped.hEvent);
}

TEST_F(Faults, ACancelledStalledRequestIsNeverCarriedOut) {
    ASSERT_TRUE(service_->ArmFault("T1", kSetModeCode, Fault{FaultKind::Stall, 0, 0}));
    uint32_t one = 1;
    ConnectionRecord set = ConnectionWith(0, &one, sizeof one);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_FALSE(DeviceIoControl(device_, kSetModeCode, &set, sizeof set, &set, sizeof set, nullptr,
                                 &overlapped));
    ASSERT_TRUE(CancelIo(device_));
    DWORD bytes = 0;
    EXPECT_FALSE(GetOverlappedResult(device_, &overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    // A request after the cancel has passed it on the connection.
    ConnectionRecord mode = ConnectionWith(0);
    ASSERT_EQ(SendConnection(device_, kGetModeCode, mode), kSuccess);
    ASSERT_TRUE(service_->ClearFaults("T1"));
    mode = ConnectionWith(0);
    ASSERT_EQ(SendConnection(device_, kGetModeCode, mode), kSuccess);
    uint32_t current = 0;
    std::memcpy(&current, mode.payload, sizeof current);
    EXPECT_EQ(current, 0u);
    CloseHandle(overlapped.hEvent);
}

TEST_F(Faults, DropEndsTheConnection) {
    ASSERT_TRUE(service_->ArmFault("T1", kSetModeCode, Fault{FaultKind::Drop, 0, 1}));
    ConnectionRecord mode = ConnectionWith(0);
    EXPECT_EQ(SendConnection(device_, kSetModeCode, mode), std::nullopt);
    EXPECT_EQ(SendConnection(device_, kGetModeCode, mode), std::nullopt);
    // The camera itself is fine: a new connection works.
    HANDLE again = OpenCamera(path_);
    EXPECT_EQ(SendConnection(again, kSetModeCode, mode), kSuccess);
    CloseHandle(again);
}

}  // namespace
}  // namespace kmxcamtest
