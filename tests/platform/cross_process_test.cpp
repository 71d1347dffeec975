// Named mutexes and shared sections seen from two processes.
#include <windows.h>
#include <kmxwin/shared_section.h>

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include "common/test_environment.h"

namespace {

using kmxtest::ChildProcess;

class Peer : public ChildProcess {
  public:
    Peer() : ChildProcess(kmxtest::ProgramPath("kernel_peer"), {}) {}
    std::string Ask(const std::string& command) {
        WriteLine(command);
        return ReadLine().value_or("<no answer>");
    }
};

TEST(NamedMutexAcrossProcesses, AMutexCreatedElsewhereAlreadyExists) {
    Peer peer;
    ASSERT_EQ(peer.Ask("create-mutex kmx-shared"), "created");
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "kmx-shared");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    // The initial ownership asked for was not taken: the peer can take it.
    EXPECT_EQ(peer.Ask("wait-mutex 0"), std::to_string(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(peer.Ask("release-mutex"), "released");
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    // And our ownership keeps the peer out.
    EXPECT_EQ(peer.Ask("wait-mutex 0"), std::to_string(WAIT_TIMEOUT));
    EXPECT_EQ(peer.Ask("release-mutex"), "error " + std::to_string(ERROR_NOT_OWNER));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(NamedMutexAcrossProcesses, KilledOwnerLeavesTheMutexAbandoned) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "kmx-killed-owner");
    Peer peer;
    ASSERT_EQ(peer.Ask("open-mutex kmx-killed-owner"), "opened");
    ASSERT_EQ(peer.Ask("wait-mutex 0"), std::to_string(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    peer.Kill(SIGKILL);
    peer.Wait();
    EXPECT_EQ(WaitForSingleObject(mutex, 10000), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(NamedMutexAcrossProcesses, ReleaseElsewhereWakesWaitsAloneAndAmongOthers) {
    Peer peer;
    ASSERT_EQ(peer.Ask("create-mutex kmx-wake own"), "created");
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "kmx-wake");
    ASSERT_NE(mutex, nullptr);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    DWORD alone = 0;
    std::thread waiter([&] {
        alone = WaitForSingleObject(mutex, 20000);
        ReleaseMutex(mutex);
    });
    EXPECT_EQ(peer.Ask("release-mutex"), "released");
    waiter.join();
    EXPECT_EQ(alone, WAIT_OBJECT_0);

    ASSERT_EQ(peer.Ask("wait-mutex 0"), std::to_string(WAIT_OBJECT_0));
    HANDLE handles[] = {event, mutex};
    DWORD among = 0;
    std::thread multi([&] {
        among = WaitForMultipleObjects(2, handles, FALSE, 20000);
        ReleaseMutex(mutex);
    });
    EXPECT_EQ(peer.Ask("release-mutex"), "released");
    multi.join();
    EXPECT_EQ(among, WAIT_OBJECT_0 + 1);
    CloseHandle(event);
    CloseHandle(mutex);
}

TEST(NamedMutexAcrossProcesses, NameIsFreeAgainOnceEveryHolderHasGone) {
    {
        Peer peer;
        ASSERT_EQ(peer.Ask("create-mutex kmx-gone own"), "created");
        peer.WriteLine("exit 0");
        peer.Wait();
    }
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "kmx-gone");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // a new mutex, not abandoned
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    {
        Peer peer;
        ASSERT_EQ(peer.Ask("create-mutex kmx-gone own"), "created");
        peer.Kill(SIGKILL);
        peer.Wait();
    }
    SetLastError(0);
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "kmx-gone"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(SharedSection, TwoProcessesSeeTheSameWords) {
    auto* words = static_cast<DWORD*>(KmxWinMapSharedSection("lock", 24));
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words[0], 0u);
    Peer peer;
    ASSERT_EQ(peer.Ask("map-section lock 24"), "mapped");
    ASSERT_EQ(peer.Ask("write-section 2 77"), "written");
    EXPECT_EQ(words[2], 77u);
    words[5] = 0xFFFFFFFF;
    EXPECT_EQ(peer.Ask("read-section 5"), "4294967295");
    // Both process's users count: the peer's death keeps the words alive.
    peer.Kill(SIGKILL);
    peer.Wait();
    EXPECT_EQ(words[2], 77u);
    EXPECT_TRUE(KmxWinUnmapSharedSection(words));
}

TEST(SharedSection, IsZeroOnceEveryUserHasGoneAlsoAfterAKill) {
    for (const char* end : {"exit", "kill"}) {
        SCOPED_TRACE(end);
        {
            Peer peer;
            ASSERT_EQ(peer.Ask("map-section fresh 24"), "mapped");
            ASSERT_EQ(peer.Ask("write-section 0 42"), "written");
            auto* words = static_cast<DWORD*>(KmxWinMapSharedSection("fresh", 24));
            ASSERT_NE(words, nullptr);
            EXPECT_EQ(words[0], 42u);
            EXPECT_TRUE(KmxWinUnmapSharedSection(words));
            if (std::string(end) == "kill")
                peer.Kill(SIGKILL);
            else
                peer.WriteLine("exit 0");
            peer.Wait();
        }
        auto* words = static_cast<DWORD*>(KmxWinMapSharedSection("fresh", 24));
        ASSERT_NE(words, nullptr);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(words[i], 0u);
        KmxWinUnmapSharedSection(words);
    }
}

TEST(SharedSection, BadRequestsAreRefused) {
    auto* words = KmxWinMapSharedSection("sized", 24);
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(KmxWinMapSharedSection("sized", 24), words);  // counted twice
    SetLastError(0);
    EXPECT_EQ(KmxWinMapSharedSection("sized", 48), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    Peer peer;
    EXPECT_EQ(peer.Ask("map-section sized 48"), "error " + std::to_string(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(KmxWinMapSharedSection("", 24), nullptr);
    EXPECT_EQ(KmxWinMapSharedSection("x", 0), nullptr);
    EXPECT_TRUE(KmxWinUnmapSharedSection(words));
    EXPECT_TRUE(KmxWinUnmapSharedSection(words));
    SetLastError(0);
    EXPECT_FALSE(KmxWinUnmapSharedSection(words));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
