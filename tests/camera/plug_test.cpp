// Plugging and unplugging: enumeration in plug order with paths that stay
// with the serial, removal notifications, pending reads failing on unplug,
// many clients on one camera and two cameras side by side.
#include "camera_client.h"

#include <cstring>
#include <thread>

namespace kmxcamtest {
namespace {

using Plugging = CameraTest;

TEST_F(Plugging, CamerasAreListedInPlugOrderAndKeepTheirPaths) {
    std::string second = Plug("minimal", "M1");
    EXPECT_EQ(ListedCameras(), (std::vector<std::string>{path_, second}));
    EXPECT_TRUE(service_->Unplug("T1"));
    EXPECT_FALSE(service_->Unplug("T1"));
    EXPECT_EQ(ListedCameras(), std::vector<std::string>{second});
    EXPECT_EQ(Plug("pantilt", "T1"), path_);
    EXPECT_EQ(ListedCameras(), (std::vector<std::string>{second, path_}));
    std::string error;
    EXPECT_FALSE(service_->Plug("pantilt", "T1", error));
    EXPECT_FALSE(service_->Plug("pantilt", "bad#serial", error));
    EXPECT_FALSE(service_->Plug("no-such-profile", "", error));
}

TEST_F(Plugging, UnplugSignalsRemovalAndFailsPendingReads) {
    HANDLE removal = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<BYTE> none;
    ASSERT_EQ(SendInterface(device_, kNotificationSetCode, sets::kNotification, 0, none,
                            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(removal))),
              kSuccess);
    EXPECT_EQ(SendInterface(device_, kNotificationSetCode, sets::kCamera, 0, none, 4), kUnknownSet);
    EXPECT_EQ(SendInterface(device_, kNotificationSetCode, sets::kNotification, 1, none, 4),
              kUnknownId);
    EXPECT_EQ(SendInterface(device_, kNotificationClearCode, GUID{}, 0, none, 12345),
              kBadParameter);

    uint32_t stream = StartStreaming(device_, Format(640, 480, kMjpg, 24, 1));
    uint32_t ready = 1;
    ConnectionRecord mode = ConnectionWith(stream, &ready, sizeof ready);
    ASSERT_EQ(SendConnection(device_, kSetModeCode, mode), kSuccess);
    FrameRead first(stream, 2 * 640 * 480 + 608), second(stream, 2 * 640 * 480 + 608);
    ASSERT_TRUE(first.Start(device_));
    ASSERT_TRUE(second.Start(device_));

    ASSERT_TRUE(service_->Unplug("T1"));
    EXPECT_EQ(WaitForSingleObject(removal, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(first.Finish(device_));
    EXPECT_FALSE(second.Finish(device_));
    EXPECT_EQ(SendConnection(device_, kGetModeCode, mode), std::nullopt);
    EXPECT_EQ(OpenCamera(path_), INVALID_HANDLE_VALUE);
    CloseHandle(removal);
}

TEST_F(Plugging, ClearedNotificationsAreNotSignalled) {
    HANDLE removal = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(removal));
    std::vector<BYTE> none;
    ASSERT_EQ(SendInterface(device_, kNotificationSetCode, sets::kNotification, 0, none, handle),
              kSuccess);
    ASSERT_EQ(SendInterface(device_, kNotificationClearCode, GUID{}, 0, none, handle), kSuccess);
    // The next request completes after the clear was handled.
    ConnectionRecord mode = ConnectionWith(0);
    ASSERT_EQ(SendConnection(device_, kGetModeCode, mode), kSuccess);
    ASSERT_TRUE(service_->Unplug("T1"));
    EXPECT_EQ(SendConnection(device_, kGetModeCode, mode), std::nullopt);
    EXPECT_EQ(WaitForSingleObject(removal, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(removal);
}

TEST_F(Plugging, ManyClientsShareOneCamera) {
    constexpr int kClients = 8;
    std::vector<std::thread> clients;
    std::vector<int> failures(kClients, 0);
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            HANDLE device = OpenCamera(path_);
            for (int i = 0; i < 50; ++i) {
                std::vector<BYTE> value{static_cast<BYTE>(i % 2)};
                std::vector<BYTE> text(32);
                if (SendInterface(device, kPropertySetCode, sets::kCamera, camera_ids::kMirror,
                                  value, 1) != kSuccess ||
                    SendInterface(device, kPropertyGetCode, sets::kCamera, 2, text, 32) !=
                        kSuccess ||
                    std::string(reinterpret_cast<char*>(text.data())) != "Pan/tilt camera")
                    ++failures[c];
            }
            CloseHandle(device);
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(failures, std::vector<int>(kClients, 0));
    std::vector<BYTE> mirror(1);
    ASSERT_EQ(
        SendInterface(device_, kPropertyGetCode, sets::kCamera, camera_ids::kMirror, mirror, 1),
        kSuccess);
    EXPECT_EQ(mirror, std::vector<BYTE>{1});
}

TEST_F(Plugging, TwoCamerasAreIndependent) {
    HANDLE minimal = OpenCamera(Plug("minimal", "M1"));
    ASSERT_NE(minimal, INVALID_HANDLE_VALUE);
    ConnectionRecord identity = ConnectionWith(0);
    ASSERT_EQ(SendConnection(minimal, kConnectionIdentityCode, identity), kSuccess);
    uint32_t word;
    std::memcpy(&word, identity.payload, 4);
    EXPECT_EQ(word, 0x05120003u);
    // Each camera has its own stream and its own values.
    uint32_t stream = StartStreaming(device_, Format(640, 480, kMjpg, 24, 1));
    uint32_t other = StartStreaming(minimal, Format(320, 240, kMjpg, 24, 1));
    EXPECT_NE(stream, 0u);
    EXPECT_NE(other, 0u);
    std::vector<BYTE> zoom(1);
    EXPECT_EQ(SendInterface(minimal, kPropertyGetCode, sets::kCamera, camera_ids::kZoom, zoom, 1),
              kUnknownId);
    FrameRead read(other, 2 * 320 * 240 + 608);
    ASSERT_TRUE(read.Start(minimal));
    ASSERT_TRUE(read.Finish(minimal));
    std::optional<DecodedJpeg> image = DecodeJpeg(read.Data());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 320);
    CloseHandle(minimal);
}

}  // namespace
}  // namespace kmxcamtest
