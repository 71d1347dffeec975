// Driver notifications and the one-shot camera watches.
#include "api/api_test_support.h"

#include "capture/module_lifecycle.h"
#include "device/kernel_channel.h"
#include "support/registry_key.h"

#include <chrono>
#include <string>
#include <thread>

namespace kmxapitest {
namespace {

using NotificationTest = ApiTest;

// Long enough for a watch to settle and look (1.25 s) on a loaded machine.
constexpr DWORD kSignalWait = 10000;
// How long a watch is given to signal when it must not.
constexpr DWORD kQuietWait = 2500;

constexpr DWORD kPantiltIdentity1 = 0x05120001, kPantiltIdentity2 = 0x00010215;

class Event {
  public:
    Event() : handle_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() { CloseHandle(handle_); }
    HANDLE Handle() const { return handle_; }
    bool Signalled(DWORD timeout) const {
        return WaitForSingleObject(handle_, timeout) == WAIT_OBJECT_0;
    }

  private:
    HANDLE handle_;
};

void WriteWokeSystem(DWORD value) {
    kmx::RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, true, false);
    ASSERT_TRUE(key.SetDword("CameraWokeSystem", value));
}

TEST_F(NotificationTest, TheDriverSignalsARemovalNotification) {
    EXPECT_EQ(KMXPI_NotificationSet(nullptr, nullptr, 0, nullptr), KMXPI_STATUS_NULL_POINTER);
    EXPECT_EQ(KMXPI_NotificationSet(nullptr, &KMXPI_NOTIFYSET_CAMERA, 0, nullptr),
              KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(KMXPI_NotificationClear(nullptr, nullptr), KMXPI_STATUS_BAD_PARAMETER);

    KMXPI_HANDLE camera = Open(Plug("pantilt", "A"));
    Event removed, cleared;
    EXPECT_EQ(KMXPI_NotificationSet(camera, &KMXPI_NOTIFYSET_CAMERA, KMXPI_NOTIFY_REMOVAL,
                                    removed.Handle()),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(KMXPI_NotificationSet(camera, &KMXPI_NOTIFYSET_CAMERA, KMXPI_NOTIFY_REMOVAL,
                                    cleared.Handle()),
              KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(KMXPI_NotificationSet(camera, &KMXPI_PROPSET_CAMERA, 0, removed.Handle()),
              KMXPI_STATUS_BAD_GUID);
    EXPECT_EQ(KMXPI_NotificationClear(camera, cleared.Handle()), KMXPI_STATUS_SUCCESS);
    Unplug("A");
    EXPECT_TRUE(removed.Signalled(kSignalWait));
    EXPECT_FALSE(cleared.Signalled(0));
    EXPECT_EQ(KMXPI_NotificationClear(camera, removed.Handle()), KMXPI_STATUS_CAMERA_REMOVED);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(NotificationTest, ANewCameraWatchSignalsOnceForTwoArrivals) {
    Plug("pantilt", "A");  // leaves the machine's camera change key behind
    Event arrived;
    ASSERT_EQ(KMXPI_CameraNotifyNew(0, 0, arrived.Handle()), KMXPI_STATUS_SUCCESS);
    Plug("compact", "B");
    Plug("pantilt", "C");
    EXPECT_TRUE(arrived.Signalled(kSignalWait));

    // One-shot: a further arrival needs a further watch.
    ResetEvent(arrived.Handle());
    Plug("minimal", "D");
    EXPECT_FALSE(arrived.Signalled(kQuietWait));
    ASSERT_EQ(KMXPI_CameraNotifyNew(0, 0, arrived.Handle()), KMXPI_STATUS_SUCCESS);
    Plug("minimal", "E");
    EXPECT_TRUE(arrived.Signalled(kSignalWait));
}

TEST_F(NotificationTest, ANewCameraWatchWaitsForItsIdentity) {
    Plug("compact", "A");
    Event arrived;
    // The caller may close its own handle at once: the watch holds its own.
    HANDLE callers = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), arrived.Handle(), GetCurrentProcess(),
                                &callers, 0, FALSE, DUPLICATE_SAME_ACCESS));
    ASSERT_EQ(KMXPI_CameraNotifyNew(kPantiltIdentity1, kPantiltIdentity2, callers),
              KMXPI_STATUS_SUCCESS);
    CloseHandle(callers);
    Plug("compact", "B");
    EXPECT_FALSE(arrived.Signalled(kQuietWait));
    // An unplug lowers the count, so the same camera coming back counts.
    Plug("pantilt", "C");
    EXPECT_TRUE(arrived.Signalled(kSignalWait));
}

// Stalls the next camera identity command of the camera SERIAL.
void StallIdentity(kmxcam::CameraService& service, const std::string& serial) {
    kmxcam::Fault stall;
    stall.kind = kmxcam::FaultKind::Stall;
    stall.count = 1;
    ASSERT_TRUE(service.ArmFault(serial, kmx::kCameraIdentityCode, stall));
}

TEST_F(NotificationTest, AnArrivalWhileTheNewCameraWatchCountsIsNotMissed) {
    // B is listed first and away, so the count passes its id before it
    // returns.
    Plug("compact", "B");
    Plug("pantilt", "A");
    Unplug("B");
    StallIdentity(*service_, "A");
    Event arrived;
    DWORD status = KMXPI_STATUS_INVALID_STATUS;
    std::thread arming([&] { status = KMXPI_CameraNotifyNew(0, 0, arrived.Handle()); });
    // B comes back while the watch counts.
    EXPECT_TRUE(service_->WaitStalled("A", std::chrono::milliseconds(kSignalWait)));
    Plug("compact", "B");
    service_->ClearFaults("A");
    arming.join();
    EXPECT_EQ(status, KMXPI_STATUS_SUCCESS);
    EXPECT_TRUE(arrived.Signalled(kSignalWait));
}

TEST_F(NotificationTest, ACameraUnpluggedAndPluggedBackCountsAsNew) {
    Plug("pantilt", "A");
    Plug("compact", "C");
    Event arrived;
    ASSERT_EQ(KMXPI_CameraNotifyNew(kPantiltIdentity1, kPantiltIdentity2, arrived.Handle()),
              KMXPI_STATUS_SUCCESS);
    // The unplug wakes the watch; A comes back once its count has passed
    // A's id (it stops at C), so the count goes down to 0 before it rises.
    StallIdentity(*service_, "C");
    Unplug("A");
    ASSERT_TRUE(service_->WaitStalled("C", std::chrono::milliseconds(kSignalWait)));
    Plug("pantilt", "A");
    service_->ClearFaults("C");
    EXPECT_TRUE(arrived.Signalled(kSignalWait));
}

TEST_F(NotificationTest, AWakeUpSignalsOnlyWhenTheValueChanges) {
    WriteWokeSystem(5);
    Event woke;
    ASSERT_EQ(KMXPI_CameraNotifyWokeSystem(woke.Handle()), KMXPI_STATUS_SUCCESS);
    WriteWokeSystem(5);
    EXPECT_FALSE(woke.Signalled(kQuietWait));
    WriteWokeSystem(6);
    EXPECT_TRUE(woke.Signalled(kSignalWait));
}

TEST_F(NotificationTest, WatchesNeedTheirKeysAndEvents) {
    // No camera has ever been plugged: there is no camera change key.
    Event event;
    EXPECT_EQ(KMXPI_CameraNotifyNew(0, 0, event.Handle()), KMXPI_STATUS_ALLOC_FAILED);
    EXPECT_EQ(KMXPI_CameraNotifyWokeSystem(nullptr), KMXPI_STATUS_ALLOC_FAILED);

    // Without the module's objects the watch service cannot start.
    kmx::DriverAppExit();
    started_ = false;
    EXPECT_EQ(KMXPI_CameraNotifyWokeSystem(event.Handle()), KMXPI_STATUS_NULL_POINTER);
}

TEST_F(NotificationTest, TheModuleEndFreesArmedWatchesWithoutSignalling) {
    Plug("pantilt", "A");
    WriteWokeSystem(1);
    Event woke, arrived;
    ASSERT_EQ(KMXPI_CameraNotifyWokeSystem(woke.Handle()), KMXPI_STATUS_SUCCESS);
    ASSERT_EQ(KMXPI_CameraNotifyNew(0, 0, arrived.Handle()), KMXPI_STATUS_SUCCESS);
    // One of them in the middle of looking at a change.
    WriteWokeSystem(2);
    kmx::DriverAppExit();
    started_ = false;
    EXPECT_FALSE(woke.Signalled(0));
    EXPECT_FALSE(arrived.Signalled(0));
    Plug("pantilt", "B");
    EXPECT_FALSE(arrived.Signalled(kQuietWait));
}

}  // namespace
}  // namespace kmxapitest
