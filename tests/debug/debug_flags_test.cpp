// The debug flags: read at start, error bits accumulated in the registry.
// The flags are process-wide: each test expects a fresh process, which is how
// ctest runs them.
#include "debug/debug_flags.h"

#include "common/test_environment.h"
#include "device/kernel_channel.h"
#include "support/registry_key.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <thread>
#include <vector>

namespace {

using kmx::CurrentDebugFlags;
using kmx::ReadDebugFlags;
using kmx::RecordUserModeError;
using kmx::RegistryKey;

DWORD StoredMask() {
    RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, false, true);
    DWORD mask = 0;
    EXPECT_EQ(key.QueryDword("DebugUserModeErr", &mask), 1);
    return mask;
}

TEST(DebugFlags, ReadsTheFiveWordsAndZeroForMissingOnes) {
    ReadDebugFlags();
    kmx::DebugFlags flags = CurrentDebugFlags();
    EXPECT_EQ(flags.user_mode | flags.user_mode_func | flags.user_mode_err | flags.twain_info |
                  flags.twain_func,
              0u);
    RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, false, false);
    ASSERT_NE(key.Handle(), nullptr) << "the start creates the settings key";

    ASSERT_EQ(key.SetDword("DebugUserMode", 1), 1);
    ASSERT_EQ(key.SetDword("DebugUserModeFunc", 2), 1);
    ASSERT_EQ(key.SetDword("DebugTwainInfo", 4), 1);
    ASSERT_EQ(key.SetDword("DebugTwainFunc", 8), 1);
    ReadDebugFlags();
    flags = CurrentDebugFlags();
    EXPECT_EQ(flags.user_mode, 1u);
    EXPECT_EQ(flags.user_mode_func, 2u);
    EXPECT_EQ(flags.user_mode_err, 0u);
    EXPECT_EQ(flags.twain_info, 4u);
    EXPECT_EQ(flags.twain_func, 8u);
}

TEST(DebugFlags, ErrorBitsAddToTheStoredMask) {
    {
        RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, true, false);
        ASSERT_EQ(key.SetDword("DebugUserModeErr", kmx::kCodecFrameError), 1);
    }
    ReadDebugFlags();
    RecordUserModeError(kmx::kScalerLoadError);
    EXPECT_EQ(CurrentDebugFlags().user_mode_err, 80u);
    EXPECT_EQ(StoredMask(), 80u);

    // Recording a bit that is set already writes the value again.
    RegistryKey watched(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, false, true);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_EQ(watched.NotifyChange(event), 1);
    RecordUserModeError(kmx::kScalerLoadError);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(StoredMask(), 80u);
    CloseHandle(event);
}

TEST(DebugFlags, OthersChangesOfTheStoredMaskAreKept) {
    ReadDebugFlags();
    RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, false, false);
    // Another process records a bit after this one started...
    ASSERT_EQ(key.SetDword("DebugUserModeErr", kmx::kFrameSizeError), 1);
    RecordUserModeError(kmx::kCodecLoadError);
    EXPECT_EQ(StoredMask(), 33u);
    // ...and a service tool clears the mask: old bits do not come back.
    ASSERT_EQ(key.SetDword("DebugUserModeErr", 0), 1);
    RecordUserModeError(kmx::kScalerLoadError);
    EXPECT_EQ(StoredMask(), 64u);
    EXPECT_EQ(CurrentDebugFlags().user_mode_err, 65u);
}

TEST(DebugFlags, BitsWhoseWriteFailedGoWithTheNextWrite) {
    // The machine hive cannot be opened: a folder stands where it would be.
    const std::string hive = getenv("KMX512_HKLM");
    ASSERT_EQ(mkdir(hive.c_str(), 0700), 0);
    RecordUserModeError(kmx::kCodecLoadError);
    EXPECT_EQ(CurrentDebugFlags().user_mode_err, 1u);
    ASSERT_EQ(rmdir(hive.c_str()), 0);
    RecordUserModeError(kmx::kScalerLoadError);
    EXPECT_EQ(StoredMask(), 65u);
}

TEST(DebugFlags, ProcessesRecordingAtOnceLoseNoBit) {
    ASSERT_TRUE(kmx::CreateRegistryMutex());
    kmxtest::ChildProcess peer(kmxtest::ProgramPath("camera_list_peer"), {});
    for (int round = 0; round < 40; ++round) {
        {
            RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, true, false);
            ASSERT_EQ(key.SetDword("DebugUserModeErr", 0), 1);
        }
        // Each side records its half of the bits, once each, at once.
        peer.WriteLine("record 0 16 1");
        for (int bit = 16; bit < 32; ++bit) RecordUserModeError(1u << bit);
        ASSERT_EQ(peer.ReadLine(), "recorded");
        ASSERT_EQ(StoredMask(), 0xFFFFFFFFu) << "round " << round;
    }
    kmx::CloseRegistryMutex();
}

TEST(DebugFlags, ThreadsRecordingAtOnceLoseNoBit) {
    ReadDebugFlags();
    // Each thread records its bit once, all released together, in rounds
    // that start from a cleared mask.
    for (int round = 0; round < 8; ++round) {
        {
            RegistryKey key(HKEY_LOCAL_MACHINE, kmx::kSettingsKeyPath, false, false);
            ASSERT_EQ(key.SetDword("DebugUserModeErr", 0), 1);
        }
        HANDLE start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::vector<std::thread> threads;
        for (int bit = 0; bit < 32; ++bit)
            threads.emplace_back([bit, start] {
                WaitForSingleObject(start, INFINITE);
                RecordUserModeError(1u << bit);
            });
        SetEvent(start);
        for (std::thread& thread : threads) thread.join();
        CloseHandle(start);
        ASSERT_EQ(StoredMask(), 0xFFFFFFFFu) << "round " << round;
    }
    EXPECT_EQ(CurrentDebugFlags().user_mode_err, 0xFFFFFFFFu);
}

}  // namespace
