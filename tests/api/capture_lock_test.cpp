// The capture lock, within one process and across processes.
#include "api/api_test_support.h"

#include "api/capture_lock.h"
#include "api/interface_state.h"
#include "capture/module_lifecycle.h"
#include "device/kernel_channel.h"

#include "common/sanitizers.h"

#include <signal.h>
#if KMX_TEST_ASAN
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>

namespace kmxapitest {
namespace {

using CaptureLockTest = ApiTest;

// Has PEER lock the camera ID.
void LockIn(ApiPeer& peer, DWORD id) {
    ASSERT_EQ(peer.Ask("open " + std::to_string(id)), "status 0");
    ASSERT_EQ(peer.Ask("lock"), "status 0");
}

// Kills PEER and waits for it to be gone.
void Kill(ApiPeer& peer) {
    peer.Process().Kill(SIGKILL);
    peer.Process().Wait();
}

constexpr DWORD kPantiltIdentity1 = 0x05120001, kPantiltIdentity2 = 0x00010215;

TEST_F(CaptureLockTest, OneLockPerSystemAndItsRecord) {
    DWORD pantilt = Plug("pantilt", "A");
    DWORD compact = Plug("compact", "B");
    KMXPI_HANDLE owner = Open(pantilt);
    KMXPI_HANDLE same_camera = Open(pantilt);
    KMXPI_HANDLE other_camera = Open(compact);

    DWORD identity1 = 0, identity2 = 0;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u);
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(owner), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), pantilt);
    EXPECT_EQ(identity1, kPantiltIdentity1);
    EXPECT_EQ(identity2, kPantiltIdentity2);

    // Held is held, whoever asks again.
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(owner), KMXPI_STATUS_IN_USE);
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(same_camera), KMXPI_STATUS_IN_USE);
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(other_camera), KMXPI_STATUS_IN_USE);
    EXPECT_EQ(KMXPI_HandleUnLockVfWOpen(other_camera), KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), pantilt);

    // Any handle of the owner process on the locked camera may unlock; the
    // identity words stay behind.
    EXPECT_EQ(KMXPI_HandleUnLockVfWOpen(same_camera), KMXPI_STATUS_SUCCESS);
    identity1 = identity2 = 0;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u);
    EXPECT_EQ(identity1, kPantiltIdentity1);
    EXPECT_EQ(identity2, kPantiltIdentity2);
    EXPECT_EQ(KMXPI_HandleUnLockVfWOpen(same_camera), KMXPI_STATUS_BAD_PARAMETER);

    EXPECT_EQ(KMXPI_HandleLockVfWOpen(other_camera), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), compact);
    EXPECT_EQ(identity1, 0x05120002u);
    for (KMXPI_HANDLE* handle : {&owner, &same_camera, &other_camera})
        EXPECT_EQ(KMXPI_HandleClose(handle), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u);
}

TEST_F(CaptureLockTest, ClosingTheOwnerHandleReleasesTheLock) {
    DWORD id = Plug("pantilt", "A");
    KMXPI_HANDLE owner = Open(id);
    KMXPI_HANDLE other = Open(id);
    ASSERT_EQ(KMXPI_HandleLockVfWOpen(owner), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(KMXPI_HandleClose(&other), KMXPI_STATUS_SUCCESS);
    DWORD identity1, identity2;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), id);
    EXPECT_EQ(KMXPI_HandleClose(&owner), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u);
}

TEST_F(CaptureLockTest, ArgumentsAndTheIdentityCommandComeFirst) {
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(nullptr), KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(KMXPI_HandleUnLockVfWOpen(nullptr), KMXPI_STATUS_BAD_PARAMETER);
    EXPECT_EQ(KMXPI_HandleAbortVfW(nullptr), KMXPI_STATUS_BAD_PARAMETER);

    KMXPI_HANDLE camera = Open(Plug("pantilt", "A"));
    ArmStatus("A", kmx::kCameraIdentityCode, 34);
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_IN_USE);
    DWORD identity1, identity2;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u) << "nothing was locked";
    EXPECT_EQ(KMXPI_HandleAbortVfW(camera), KMXPI_STATUS_SUCCESS);

    // Without the module's objects there is no lock to take.
    kmx::DriverAppExit();
    started_ = false;
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_NULL_POINTER);
    EXPECT_EQ(KMXPI_HandleUnLockVfWOpen(camera), KMXPI_STATUS_NULL_POINTER);
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u);
    // Nor a connection to the camera: module end let it go.
    EXPECT_EQ(KMXPI_HandleAbortVfW(camera), KMXPI_STATUS_CAMERA_REMOVED);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(CaptureLockTest, AHeartbeatNewerThanTheClockCountsAsFresh) {
    DWORD id = Plug("pantilt", "A");
    KMXPI_HANDLE camera = Open(id);
    // A live holder elsewhere whose refresh lands between a reader's look at
    // the clock and its look at the heartbeat: the heartbeat reads as newer
    // than the clock, and must not pass for one 2^32 ms old.
    kmx::CaptureLockRecord* record = kmx::TakeLockRecord();
    ASSERT_NE(record, nullptr);
    record->locked_id = id;
    record->owner_process = GetCurrentProcessId() + 1;
    record->owner_handle = 1;
    record->heartbeat = GetTickCount() + 60000;
    kmx::ReleaseLockRecord();

    EXPECT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_IN_USE);
    DWORD identity1, identity2;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), id);
    kmx::TakeLockRecord()->Clear();
    kmx::ReleaseLockRecord();
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(CaptureLockTest, AnotherProcessSeesTheLockAndCannotUnlockIt) {
    DWORD id = Plug("pantilt", "A");
    ApiPeer peer;
    ASSERT_NO_FATAL_FAILURE(LockIn(peer, id));

    KMXPI_HANDLE camera = Open(id);
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_IN_USE);
    EXPECT_EQ(KMXPI_HandleUnLockVfWOpen(camera), KMXPI_STATUS_BAD_PARAMETER);
    // Its heartbeat keeps the lock alive well past the stale limit.
    Sleep(1500);
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_IN_USE);

    // The module end in the owner process gives the lock up at once.
    EXPECT_EQ(peer.Ask("exit"), "bye");
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(peer.Process().Wait(), 0);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(CaptureLockTest, TheLockOfAKilledProcessGoesStaleAfterASecond) {
    DWORD id = Plug("pantilt", "A");
    ApiPeer peer;
    ASSERT_NO_FATAL_FAILURE(LockIn(peer, id));
    KMXPI_HANDLE camera = Open(id);

    Kill(peer);
    auto killed = std::chrono::steady_clock::now();
    DWORD soon = KMXPI_HandleLockVfWOpen(camera);
    // The heartbeat was at most 250 ms old when the owner died; on a machine
    // too loaded to ask within the next 500 ms the answer proves nothing.
    if (std::chrono::steady_clock::now() - killed < std::chrono::milliseconds(500)) {
        EXPECT_EQ(soon, KMXPI_STATUS_IN_USE);
    }

    Sleep(1300);
    EXPECT_EQ(KMXPI_HandleLockVfWOpen(camera), KMXPI_STATUS_SUCCESS);
    DWORD identity1, identity2;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), id);
    EXPECT_EQ(KMXPI_HandleClose(&camera), KMXPI_STATUS_SUCCESS);
}

TEST_F(CaptureLockTest, AQueryClearsAStaleLock) {
    DWORD id = Plug("pantilt", "A");
    ApiPeer peer;
    ASSERT_NO_FATAL_FAILURE(LockIn(peer, id));
    DWORD identity1, identity2;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), id);
    Kill(peer);
    Sleep(1300);
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u);
    EXPECT_EQ(identity1, 0u) << "a stale lock is cleared whole";
}

// The threads of this process, by id.
std::set<std::string> ProcessThreads() {
    std::set<std::string> threads;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        threads.insert(entry.path().filename().string());
    return threads;
}

// Waits until the process runs none but THREADS: a thread's handle is
// signalled as it leaves, a moment before the system has taken it down.
bool OnlyThreadsLeft(const std::set<std::string>& threads) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        std::set<std::string> now = ProcessThreads();
        if (std::includes(threads.begin(), threads.end(), now.begin(), now.end())) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(1);
    }
}

TEST_F(CaptureLockTest, UnloadingTheLibraryGivesUpItsLockAndStopsItsThreads) {
    DWORD id = Plug("pantilt", "A");
    const std::set<std::string> before = ProcessThreads();
    HMODULE library = LoadLibraryA(LibraryPath().c_str());
    ASSERT_NE(library, nullptr) << "error " << GetLastError();
    auto* open = ExportOf<decltype(KMXPI_HandleOpen)>(library, "KMXPI_HandleOpen");
    auto* lock = ExportOf<decltype(KMXPI_HandleLockVfWOpen)>(library, "KMXPI_HandleLockVfWOpen");
    ASSERT_TRUE(open && lock);
    // A program that leaves without closing its handle: the library's
    // heartbeat and watcher threads must be gone with its code.
    KMXPI_HANDLE camera = nullptr;
    ASSERT_EQ(open(id, &camera), KMXPI_STATUS_SUCCESS);
    ASSERT_EQ(lock(camera), KMXPI_STATUS_SUCCESS);
    DWORD identity1, identity2;
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), id) << "one record for every copy";
    EXPECT_GT(ProcessThreads().size(), before.size()) << "heartbeat and watcher";
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_EQ(kmx::QueryVfWLock(&identity1, &identity2), 0u);
#if KMX_TEST_ASAN
    __lsan_ignore_object(camera);  // the program's own leak
#endif
    EXPECT_TRUE(OnlyThreadsLeft(before)) << "a thread of the unloaded library still runs";
    Unplug("A");
}

}  // namespace
}  // namespace kmxapitest
