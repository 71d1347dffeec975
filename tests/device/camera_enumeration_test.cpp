// The per-user camera list: ids given once per interface path, densely and
// in enumeration order, kept across plug cycles and processes, unique when
// several processes refresh at once; and opening a camera by its id.
#include "device_test_support.h"

#include "common/echo_driver.h"
#include "common/failing_allocations.h"
#include "common/test_environment.h"
#include "device/camera_connection.h"
#include "device/camera_enumeration.h"
#include "device/kernel_channel.h"

#include <setupapi.h>

#include <algorithm>
#include <cstddef>
#include <list>

namespace kmxdevicetest {
namespace {

class CameraList : public DeviceTest {
  protected:
    static std::string Listed(DWORD id) {
        char path[kmx::kCameraPathSize];
        return kmx::LookupCamera(path, id) ? std::string(path) : std::string();
    }
    // Refreshes the list in a process of its own, whose first refresh is
    // never held back by this process's last one.
    static void RefreshElsewhere() {
        kmxtest::ChildProcess peer(kmxtest::ProgramPath("camera_list_peer"), {});
        peer.WriteLine("refresh");
        EXPECT_EQ(peer.ReadLine(), "refreshed");
    }
};

TEST_F(CameraList, CamerasSeenTogetherGetConsecutiveIdsOnce) {
    std::string first = Plug("pantilt", "T1");
    std::string second = Plug("minimal", "M1");
    char path[kmx::kCameraPathSize];
    EXPECT_EQ(kmx::EnumInterfacePath(path, 0), 0);
    ASSERT_EQ(kmx::EnumInterfacePath(path, 2), 1);
    EXPECT_EQ(std::string(path), second);
    EXPECT_EQ(kmx::EnumInterfacePath(path, 3), 0);

    DWORD start = GetTickCount();
    kmx::RefreshCameraList();
    EXPECT_EQ(Listed(1), first);
    EXPECT_EQ(Listed(2), second);
    EXPECT_EQ(Listed(3), "");
    EXPECT_EQ(kmx::RegisterCamera(first.c_str()), 1);
    EXPECT_EQ(kmx::FindCamera(second.c_str()), 0u);
    EXPECT_EQ(kmx::FindCamera("\\\\?\\not#plugged"), 3u);
    EXPECT_EQ(Listed(3), "");

    // Within a second of the last refresh, this process does not look again.
    std::string third = Plug("compact", "C1");
    kmx::RefreshCameraList();
    if (GetTickCount() - start < 1000) {
        EXPECT_EQ(Listed(3), "");
    }
    RefreshElsewhere();
    EXPECT_EQ(Listed(3), third);
}

TEST_F(CameraList, AnInterfaceThatCannotBeReadDoesNotHideTheOnesAfterIt) {
    std::string first = Plug("pantilt", "T1");
    // The second interface's detail cannot be had: its buffer, of a size
    // nothing else here asks for, cannot be allocated.
    const std::string unreadable = "\\\\?\\usb#unreadable#" + std::string(150, 'x');
    kmxtest::EchoDriver driver;
    auto interface =
        kmxwin::DeviceInterface::Register(kmx::kCameraInterfaceClass, unreadable, driver);
    ASSERT_NE(interface, nullptr);
    std::string third = Plug("minimal", "M1");
    {
        kmxtest::FailingAllocations failing(
            {.size =
                 offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + unreadable.size() + 1});
        kmx::RefreshCameraList();
        EXPECT_TRUE(failing.Failed());
    }
    EXPECT_EQ(Listed(1), first);
    EXPECT_EQ(Listed(2), third);
}

TEST_F(CameraList, IdsStayWithTheirCameraAcrossPlugCyclesAndProcesses) {
    std::string pantilt = Plug("pantilt", "T1");
    std::string minimal = Plug("minimal", "M1");
    RefreshElsewhere();
    ASSERT_TRUE(service_->Unplug("T1"));
    std::string compact = Plug("compact", "C1");
    RefreshElsewhere();
    EXPECT_EQ(Plug("pantilt", "T1"), pantilt);
    RefreshElsewhere();
    EXPECT_EQ(Listed(1), pantilt);
    EXPECT_EQ(Listed(2), minimal);
    EXPECT_EQ(Listed(3), compact);
    EXPECT_EQ(Listed(4), "");

    // Here as there: id 1 opens the pan/tilt camera, whose id it stays.
    kmx::CameraConnection connection;
    ASSERT_EQ(kmx::ConnectionOpen(connection, 1, false), kmx::kCommandSuccess);
    DWORD id = 0, identity = 0;
    ASSERT_EQ(kmx::ConnectionIdentity(connection, &id, &identity, nullptr), kmx::kCommandSuccess);
    EXPECT_EQ(id, 1u);
    EXPECT_EQ(identity, 0x05120001u);
    kmx::ConnectionClose(connection);
}

TEST_F(CameraList, ProcessesRefreshingAtOnceGiveUniqueDenseIds) {
    constexpr int kCameras = 6;
    std::vector<std::string> plugged;
    for (int i = 0; i < kCameras; ++i) plugged.push_back(Plug("minimal", "M" + std::to_string(i)));
    std::list<kmxtest::ChildProcess> peers;
    for (int i = 0; i < 4; ++i)
        peers.emplace_back(kmxtest::ProgramPath("camera_list_peer"), std::vector<std::string>{});
    for (kmxtest::ChildProcess& peer : peers) peer.WriteLine("refresh");
    for (kmxtest::ChildProcess& peer : peers) EXPECT_EQ(peer.ReadLine(), "refreshed");

    std::vector<std::string> listed;
    for (DWORD id = 1; id <= kCameras; ++id) listed.push_back(Listed(id));
    EXPECT_EQ(Listed(kCameras + 1), "");
    std::sort(listed.begin(), listed.end());
    std::sort(plugged.begin(), plugged.end());
    EXPECT_EQ(listed, plugged);
    // And every process reads the same list.
    kmxtest::ChildProcess& peer = peers.front();
    peer.WriteLine("lookup " + std::to_string(kCameras));
    EXPECT_EQ(peer.ReadLine(), "path " + Listed(kCameras));
}

TEST_F(CameraList, OpenCameraScansOnlyWhenAsked) {
    Plug("pantilt", "T1");
    Plug("minimal", "M1");
    Plug("compact", "C1");
    HANDLE device = INVALID_HANDLE_VALUE;
    DWORD id = 0;
    // Opening refreshes the list first.
    ASSERT_EQ(kmx::OpenCamera(&device, 0, false, &id), 1);
    EXPECT_EQ(id, 1u);
    kmx::CloseDevice(&device);
    ASSERT_TRUE(service_->Unplug("M1"));

    id = 0;
    EXPECT_EQ(kmx::OpenCamera(&device, 2, false, &id), 0);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(id, 0u);
    ASSERT_EQ(kmx::OpenCamera(&device, 2, true, &id), 1);
    EXPECT_EQ(id, 3u);
    kmx::CloseDevice(&device);
    ASSERT_EQ(kmx::OpenCamera(&device, 0, true, &id), 1);
    EXPECT_EQ(id, 1u);
    kmx::CloseDevice(&device);
    // The scan ends at the first id not listed.
    EXPECT_EQ(kmx::OpenCamera(&device, 4, true, &id), 0);
    ASSERT_TRUE(service_->Unplug("C1"));
    EXPECT_EQ(kmx::OpenCamera(&device, 2, true, &id), 0);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
}

}  // namespace
}  // namespace kmxdevicetest
