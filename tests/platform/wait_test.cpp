// WaitForSingleObject and WaitForMultipleObjects over the kinds of objects.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct EventSet {
    std::vector<HANDLE> events;
    EventSet(size_t count, BOOL manual) {
        for (size_t i = 0; i < count; ++i)
            events.push_back(CreateEventA(nullptr, manual, FALSE, nullptr));
    }
    ~EventSet() {
        for (HANDLE event : events) CloseHandle(event);
    }
};

TEST(WaitForMultipleObjects, LowestSignalledIndexWins) {
    EventSet set(5, FALSE);
    SetEvent(set.events[3]);
    SetEvent(set.events[1]);
    EXPECT_EQ(WaitForMultipleObjects(5, set.events.data(), FALSE, 0), WAIT_OBJECT_0 + 1);
    // Only the winner was consumed.
    EXPECT_EQ(WaitForMultipleObjects(5, set.events.data(), FALSE, 0), WAIT_OBJECT_0 + 3);
    EXPECT_EQ(WaitForMultipleObjects(5, set.events.data(), FALSE, 0),
              static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(WaitForMultipleObjects, SixtyFourHandlesAreAllowedSixtyFiveAreNot) {
    EventSet set(65, TRUE);
    SetEvent(set.events[63]);
    EXPECT_EQ(WaitForMultipleObjects(64, set.events.data(), FALSE, INFINITE), WAIT_OBJECT_0 + 63);
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(65, set.events.data(), FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(0, set.events.data(), FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(2, nullptr, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WaitForMultipleObjects, SignalFromAnotherThreadWakesTheWait) {
    EventSet set(64, FALSE);
    std::thread signaller([&set] { SetEvent(set.events[40]); });
    EXPECT_EQ(WaitForMultipleObjects(64, set.events.data(), FALSE, INFINITE), WAIT_OBJECT_0 + 40);
    signaller.join();
}

TEST(WaitForMultipleObjects, OneBadHandleFailsTheWholeWait) {
    EventSet set(3, TRUE);
    SetEvent(set.events[0]);
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    HANDLE handles[] = {set.events[0], closed, set.events[2]};
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(WaitForMultipleObjects, WaitAllNeedsEveryObjectAndTakesThemTogether) {
    EventSet set(3, FALSE);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE handles[] = {set.events[0], mutex, set.events[1], set.events[2]};
    SetEvent(set.events[0]);
    SetEvent(set.events[2]);
    EXPECT_EQ(WaitForMultipleObjects(4, handles, TRUE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // Nothing was consumed by the failed wait.
    EXPECT_EQ(WaitForSingleObject(set.events[0], 0), WAIT_OBJECT_0);
    SetEvent(set.events[0]);

    std::thread signaller([&set] { SetEvent(set.events[1]); });
    EXPECT_EQ(WaitForMultipleObjects(4, handles, TRUE, INFINITE), WAIT_OBJECT_0);
    signaller.join();
    for (HANDLE event : set.events)
        EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(mutex));  // the wait made this thread the owner
    CloseHandle(mutex);
}

TEST(WaitForMultipleObjects, WaitAllRefusesTheSameHandleTwice) {
    EventSet set(1, TRUE);
    HANDLE handles[] = {set.events[0], set.events[0]};
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(2, handles, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetEvent(set.events[0]);
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 0), WAIT_OBJECT_0);
}

TEST(WaitForSingleObject, FiniteTimeOutLastsAboutAsLongAsAsked) {
    EventSet set(1, TRUE);
    auto start = steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(set.events[0], 100), static_cast<DWORD>(WAIT_TIMEOUT));
    auto waited = steady_clock::now() - start;
    EXPECT_GE(waited, milliseconds(99));
    EXPECT_LT(waited, milliseconds(5000));
}

TEST(Sleep, ZeroYieldsAndFiniteSleepsLastAtLeastTheTime) {
    Sleep(0);
    auto start = steady_clock::now();
    Sleep(30);
    EXPECT_GE(steady_clock::now() - start, milliseconds(29));
}

}  // namespace
