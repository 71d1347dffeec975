// Camera handles and the properties and statuses of commands sent on them.
#include "api/api_test_support.h"

#include "capture/wait_service.h"
#include "device/kernel_channel.h"

#include <atomic>
#include <thread>
#include <vector>

namespace kmxapitest {
namespace {

using CameraHandleTest = ApiTest;

TEST_F(CameraHandleTest, OpenAndCloseCheckTheirArgumentsFirst) {
    EXPECT_EQ(KMXPI_HandleOpen(0, nullptr), KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(KMXPI_HandleOpen(1, nullptr), KMXPI_STATUS_NULL_POINTER);
    KMXPI_HANDLE handle = reinterpret_cast<KMXPI_HANDLE>(1);
    EXPECT_EQ(KMXPI_HandleOpen(200, &handle), KMXPI_STATUS_CAMERA_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);

    EXPECT_EQ(KMXPI_HandleClose(nullptr), KMXPI_STATUS_NULL_POINTER);
    EXPECT_EQ(KMXPI_HandleClose(&handle), KMXPI_STATUS_BAD_PARAMETER);

    handle = Open(Plug("pantilt", "A"));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(KMXPI_HandleClose(&handle), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(CameraHandleTest, PropertiesGoThroughTheDriver) {
    KMXPI_HANDLE camera = Open(Plug("pantilt", "A"));
    ASSERT_NE(camera, nullptr);

    WORD firmware = 0;
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_FIRMWARE_VERSION,
                                sizeof firmware, &firmware),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(firmware, 0x0302);

    KMXPI_PROCAMP_VALUE brightness{4200, 0x2, 0};
    EXPECT_EQ(KMXPI_PropertySet(camera, &KMXPI_PROPSET_VIDEOPROCAMP, KMXPI_PROCAMP_BRIGHTNESS,
                                sizeof brightness, &brightness),
              KMXPI_STATUS_SUCCESS);
    KMXPI_PROCAMP_VALUE read{};
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_VIDEOPROCAMP, KMXPI_PROCAMP_BRIGHTNESS,
                                sizeof read, &read),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(read.value, 4200);
    EXPECT_EQ(KMXPI_PropertyDefault(camera, &KMXPI_PROPSET_VIDEOPROCAMP, KMXPI_PROCAMP_BRIGHTNESS),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_VIDEOPROCAMP, KMXPI_PROCAMP_BRIGHTNESS,
                                sizeof read, &read),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(read.value, 5000);

    // What the camera does not have, and values of the wrong size.
    BYTE value[16] = {};
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_NOTIFYSET_CAMERA, 0, 1, value),
              KMXPI_STATUS_BAD_GUID);  // a set of notifications, not of properties
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 31, 8, value), KMXPI_STATUS_BAD_ID);
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_VIDEOPROCAMP, 0, 11, value),
              KMXPI_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(KMXPI_PropertySet(camera, &KMXPI_PROPSET_VIDEOPROCAMP, 0, 13, value),
              KMXPI_STATUS_BUFFER_TOO_LARGE);
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, KMXPI_CAMERA_ZOOM, 1, value),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(value[0], 0) << "a failed set changes nothing";

    // Arguments are checked before anything is sent, in their order.
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, 0, value),
              KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(KMXPI_PropertySet(nullptr, nullptr, 0, 1, nullptr), KMXPI_STATUS_NULL_POINTER);
    EXPECT_EQ(KMXPI_PropertyGet(nullptr, &KMXPI_PROPSET_CAMERA, 0, 2, value),
              KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(KMXPI_PropertyDefault(nullptr, nullptr, 0), KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(KMXPI_PropertyDefault(camera, nullptr, 0), KMXPI_STATUS_NULL_POINTER);
    // A size whose record (28 bytes more) does not fit in 32 bits is refused
    // before anything is allocated, copied or sent.
    for (DWORD size : {0xFFFFFFE4u, 0xFFFFFFE5u, 0xFFFFFFFFu}) {
        EXPECT_EQ(KMXPI_PropertySet(camera, &KMXPI_PROPSET_CAMERA, 0, size, value),
                  KMXPI_STATUS_BUFFER_TOO_LARGE);
        EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, size, value),
                  KMXPI_STATUS_BUFFER_TOO_LARGE);
    }
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(CameraHandleTest, CommandStatusesTranslateIntoInterfaceStatuses) {
    KMXPI_HANDLE camera = Open(Plug("pantilt", "A"));
    ASSERT_NE(camera, nullptr);
    const std::pair<BYTE, DWORD> kTranslations[] = {
        {0, KMXPI_STATUS_SUCCESS},          {1, KMXPI_STATUS_BAD_PARAMETER},
        {2, KMXPI_STATUS_BAD_PARAMETER},    {3, KMXPI_STATUS_BAD_PARAMETER},
        {4, KMXPI_STATUS_BUFFER_TOO_SMALL}, {5, KMXPI_STATUS_BUFFER_TOO_LARGE},
        {6, KMXPI_STATUS_INVALID_STATUS},   {32, KMXPI_STATUS_BAD_GUID},
        {33, KMXPI_STATUS_BAD_ID},          {34, KMXPI_STATUS_IN_USE},
        {64, KMXPI_STATUS_INVALID_STATUS},  {131, KMXPI_STATUS_INVALID_STATUS},
    };
    WORD firmware = 0;
    for (auto [command_status, expected] : kTranslations) {
        ArmStatus("A", kmx::kPropertyGetCode, command_status);
        EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware),
                  expected)
            << "command status " << int{command_status};
    }

    // A driver that never writes the status counts as success; a reply of
    // the wrong length as a bad parameter.
    kmxcam::Fault fault;
    fault.kind = kmxcam::FaultKind::Unwritten;
    fault.count = 1;
    ASSERT_TRUE(service_->ArmFault("A", kmx::kPropertyGetCode, fault));
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware),
              KMXPI_STATUS_SUCCESS);
    fault.kind = kmxcam::FaultKind::WrongLength;
    ASSERT_TRUE(service_->ArmFault("A", kmx::kPropertyGetCode, fault));
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware),
              KMXPI_STATUS_BAD_PARAMETER);

    // 128 means the camera is gone: the handle's device is closed for good.
    ArmStatus("A", kmx::kPropertyGetCode, 128);
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware),
              KMXPI_STATUS_CAMERA_REMOVED);
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware),
              KMXPI_STATUS_CAMERA_REMOVED);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(CameraHandleTest, AnUnpluggedCameraAnswersRemovedToEveryThread) {
    KMXPI_HANDLE camera = Open(Plug("pantilt", "A"));
    ASSERT_NE(camera, nullptr);
    std::atomic<int> successes = 0, removals = 0, others = 0;
    // Set once the users are well under way, or as soon as one stops early.
    HANDLE busy = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<std::thread> users;
    for (int i = 0; i < 4; ++i) {
        users.emplace_back([&] {
            for (;;) {
                WORD firmware = 0;
                DWORD status = KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, 2, &firmware);
                if (status == KMXPI_STATUS_SUCCESS) {
                    if (++successes == 20) SetEvent(busy);
                    continue;
                }
                (status == KMXPI_STATUS_CAMERA_REMOVED ? removals : others)++;
                SetEvent(busy);
                return;
            }
        });
    }
    EXPECT_EQ(WaitForSingleObject(busy, 20000), WAIT_OBJECT_0);
    EXPECT_GE(successes, 20);
    Unplug("A");
    for (std::thread& user : users) user.join();
    CloseHandle(busy);
    EXPECT_EQ(removals, 4);
    EXPECT_EQ(others, 0);

    KMXPI_PROCAMP_VALUE brightness{};
    EXPECT_EQ(
        KMXPI_PropertySet(camera, &KMXPI_PROPSET_VIDEOPROCAMP, 0, sizeof brightness, &brightness),
        KMXPI_STATUS_CAMERA_REMOVED);
    EXPECT_EQ(KMXPI_HandleAbortVfW(camera), KMXPI_STATUS_CAMERA_REMOVED);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);

    // The camera keeps its id: plugged again, it opens under it.
    DWORD id = Plug("pantilt", "A");
    camera = Open(id);
    EXPECT_NE(camera, nullptr);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(CameraHandleTest, ACommandCutShortByAStoppedWorkerLeavesTheHandleUsable) {
    KMXPI_HANDLE camera = Open(Plug("pantilt", "A"));
    ASSERT_NE(camera, nullptr);
    kmxcam::Fault stall;
    stall.kind = kmxcam::FaultKind::Stall;
    stall.count = 1;
    ASSERT_TRUE(service_->ArmFault("A", kmx::kPropertyGetCode, stall));
    // A wait service whose callback is inside a command that the camera
    // never answers when the service stops: the worker is terminated there.
    struct Command {
        KMXPI_HANDLE camera;
        HANDLE sending = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE trigger = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    } command{camera};
    auto get = [](void* context, DWORD shutdown) {
        if (shutdown) return;
        auto* command = static_cast<Command*>(context);
        SetEvent(command->sending);
        WORD firmware = 0;
        KMXPI_PropertyGet(command->camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware);
    };
    kmx::WaitService worker{};
    ASSERT_EQ(kmx::StartWaitService(&worker), 1);
    ASSERT_EQ(kmx::AddWait(&worker, get, &command, command.trigger), 1);
    SetEvent(command.trigger);
    EXPECT_EQ(WaitForSingleObject(command.sending, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(kmx::StopWaitService(&worker), 1);

    // Nothing of the cut command holds the handle: it still serves
    // commands, and it closes.
    WORD firmware = 0;
    EXPECT_EQ(KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
    CloseHandle(command.sending);
    CloseHandle(command.trigger);
}

}  // namespace
}  // namespace kmxapitest
