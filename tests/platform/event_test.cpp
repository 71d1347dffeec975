// Events and the waits on them.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/platform_difference.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(Events, InitialStateAndManualReset) {
    HANDLE set = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    HANDLE clear = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(set, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(set, 0), WAIT_OBJECT_0);  // stays signalled
    EXPECT_EQ(WaitForSingleObject(clear, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ResetEvent(set));
    EXPECT_EQ(WaitForSingleObject(set, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(set);
    CloseHandle(clear);
}

TEST(Events, AutoResetEventIsConsumedByOneWait) {
    HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(event);
}

// Starts COUNT threads that each wait once on EVENT with a long time-out and
// count their successes; returns when all of them are blocked in the wait.
struct Waiters {
    std::atomic<int> released{0};
    std::atomic<int> timed_out{0};
    std::vector<std::thread> threads;

    Waiters(HANDLE event, int count, DWORD timeout) {
        HANDLE ready = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        for (int i = 0; i < count; ++i) {
            threads.emplace_back([this, event, ready, timeout] {
                SetEvent(ready);
                DWORD result = WaitForSingleObject(event, timeout);
                (result == WAIT_OBJECT_0 ? released : timed_out)++;
            });
            WaitForSingleObject(ready, INFINITE);
        }
        CloseHandle(ready);
    }
    void Join() {
        for (std::thread& thread : threads) thread.join();
    }
};

TEST(Events, AutoResetEventReleasesExactlyOneOfSeveralWaiters) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Waiters waiters(event, 4, 1500);
    ASSERT_TRUE(SetEvent(event));
    waiters.Join();
    EXPECT_EQ(waiters.released.load(), 1);
    EXPECT_EQ(waiters.timed_out.load(), 3);
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(event);
}

TEST(Events, ManualResetEventReleasesEveryWaiter) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Waiters waiters(event, 4, INFINITE);
    ASSERT_TRUE(SetEvent(event));
    waiters.Join();
    EXPECT_EQ(waiters.released.load(), 4);
    CloseHandle(event);
}

// Named events are not implemented: nothing here shares an event by name.
PLATFORM_DIFFERENCE_TEST(Events, NamedEventsAreRefused) {
    SetLastError(0);
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "some event"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

}  // namespace
