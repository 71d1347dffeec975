// Allocation failures at the interface's boundaries: whichever allocation
// fails, an export answers its out-of-memory status (or another it
// documents), never lets the failure escape, and leaves nothing half done.
#include "api/api_test_support.h"

#include "api/capture_lock.h"
#include "api/interface_state.h"
#include "common/failing_allocations.h"
#include "support/registry_key.h"

#include <kmx512u/kmxdebug.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace kmxapitest {
namespace {

using AllocationFailureTest = ApiTest;

// Runs CALL with its first, second, ... allocation failing until a run
// needs no more than those; each run answers one of ACCEPTED (the first is
// success), and UNDO undoes each successful run.
void FailEachAllocation(const std::function<DWORD()>& call, const std::vector<DWORD>& accepted,
                        const std::function<void()>& undo) {
    for (size_t nth = 1; nth < 10000; ++nth) {
        DWORD status;
        bool failed;
        {
            kmxtest::FailingAllocations failing({.nth = nth});
            status = call();
            failed = failing.Failed();
        }
        EXPECT_NE(std::find(accepted.begin(), accepted.end(), status), accepted.end())
            << "allocation " << nth << " failed: status " << status;
        if (status == accepted[0]) undo();
        if (!failed) return;
    }
    ADD_FAILURE() << "never ran without a failure";
}

TEST_F(AllocationFailureTest, CameraHandlesAndTheirCommands) {
    DWORD id = Plug("pantilt", "A");
    KMXPI_HANDLE camera = nullptr;
    FailEachAllocation(
        [&] { return KMXPI_HandleOpen(id, &camera); },
        {KMXPI_STATUS_SUCCESS, KMXPI_STATUS_ALLOC_FAILED, KMXPI_STATUS_CAMERA_NOT_FOUND},
        [&] { EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS); });

    // A command that runs short of memory fails as such: the camera is not
    // taken for removed.
    camera = Open(id);
    WORD firmware = 0;
    FailEachAllocation(
        [&] {
            return KMXPI_PropertyGet(camera, &KMXPI_PROPSET_CAMERA, 0, sizeof firmware, &firmware);
        },
        {KMXPI_STATUS_SUCCESS, KMXPI_STATUS_ALLOC_FAILED}, [] {});
    FailEachAllocation([&] { return KMXPI_HandleLockVfWOpen(camera); },
                       {KMXPI_STATUS_SUCCESS, KMXPI_STATUS_ALLOC_FAILED},
                       [&] { EXPECT_EQ(KMXPI_HandleUnLockVfWOpen(camera), KMXPI_STATUS_SUCCESS); });
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(AllocationFailureTest, WatchesAndEnumerations) {
    Plug("pantilt", "A");
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FailEachAllocation([&] { return KMXPI_CameraNotifyNew(0, 0, event); },
                       {KMXPI_STATUS_SUCCESS, KMXPI_STATUS_ALLOC_FAILED}, [] {});
    DWORD ids[4], count = 0;
    FailEachAllocation([&] { return KMXPI_CameraEnum(0, 0, ids, 4, &count); },
                       {KMXPI_STATUS_SUCCESS, KMXPI_STATUS_ALLOC_FAILED}, [] {});
    WORD version = 0;
    DWORD word = 0;
    char text[64];
    FailEachAllocation([&] { return KMXDebug_GetVersion(&version, &word, text, sizeof text); },
                       {KMXDEBUG_STATUS_SUCCESS, KMXDEBUG_STATUS_ALLOC_FAILED,
                        KMXDEBUG_STATUS_DRIVER_NOT_FOUND, KMXDEBUG_STATUS_DEVICE_REMOVED},
                       [] {});
    CloseHandle(event);
}

TEST_F(AllocationFailureTest, AnInterfaceStartedShortOfMemoryServesWhatItHas) {
    DWORD id = Plug("pantilt", "A");
    kmx::StopInterface();  // started again below, one allocation failing each time
    for (size_t nth = 1; nth < 10000; ++nth) {
        bool failed;
        {
            kmxtest::FailingAllocations failing({.nth = nth});
            kmx::StartInterface();
            failed = failing.Failed();
        }
        KMXPI_HANDLE camera = nullptr;
        DWORD open = KMXPI_HandleOpen(id, &camera);
        EXPECT_TRUE(open == KMXPI_STATUS_SUCCESS || open == KMXPI_STATUS_ALLOC_FAILED) << nth;
        if (camera) {
            DWORD lock = KMXPI_HandleLockVfWOpen(camera);
            EXPECT_TRUE(lock == KMXPI_STATUS_SUCCESS || lock == KMXPI_STATUS_ALLOC_FAILED ||
                        lock == KMXPI_STATUS_NULL_POINTER)
                << nth;
            EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
        }
        kmx::StopInterface();
        if (!failed) break;
    }
    kmx::StartInterface();
}

TEST_F(AllocationFailureTest, WithoutAShutdownEventTheHeartbeatAndTheWatchesGoOn) {
    DWORD id = Plug("pantilt", "A");
    kmx::RegistryKey settings(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, true, false);
    ASSERT_EQ(settings.SetDword("CameraWokeSystem", 1), 1);
    // The shutdown event is the last object the start makes.
    kmx::StopInterface();
    size_t allocations;
    {
        kmxtest::FailingAllocations counting({});
        kmx::StartInterface();
        allocations = counting.Seen();
    }
    kmx::StopInterface();
    {
        kmxtest::FailingAllocations failing({.nth = allocations});
        kmx::StartInterface();
        ASSERT_TRUE(failing.Failed());
    }

    KMXPI_HANDLE camera = Open(id);
    ASSERT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_SUCCESS);
    HANDLE woke = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(KMXPI_CameraNotifyWokeSystem(woke), KMXPI_STATUS_SUCCESS);
    ASSERT_EQ(settings.SetDword("CameraWokeSystem", 2), 1);
    EXPECT_EQ(WaitForSingleObject(woke, 10000), WAIT_OBJECT_0) << "the watch looked";
    // Well past the stale limit since the lock was taken: still held.
    DWORD identity1, identity2;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), id);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
    CloseHandle(woke);
}

}  // namespace
}  // namespace kmxapitest
