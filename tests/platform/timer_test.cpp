// Waitable timers.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/platform_difference.h"

#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

LARGE_INTEGER Relative(LONGLONG ms) {
    LARGE_INTEGER due;
    due.QuadPart = -ms * 10000;
    return due;
}

TEST(WaitableTimer, AutoResetTimerSignalsOnceAtItsDueTime) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(WaitForSingleObject(timer, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // inactive
    LARGE_INTEGER due = Relative(60);
    auto start = steady_clock::now();
    ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, 10000), WAIT_OBJECT_0);
    auto waited = steady_clock::now() - start;
    EXPECT_GE(waited, milliseconds(59));
    EXPECT_LT(waited, milliseconds(5000));
    // Consumed by the wait, and not periodic.
    EXPECT_EQ(WaitForSingleObject(timer, 100), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(timer);
}

TEST(WaitableTimer, ManualResetTimerStaysSignalledUntilSetAgain) {
    HANDLE timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    LARGE_INTEGER due = Relative(10);
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    EXPECT_EQ(WaitForSingleObject(timer, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0);
    // Cancelling does not change the signalled state; setting again does.
    EXPECT_TRUE(CancelWaitableTimer(timer));
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0);
    due = Relative(60000);
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    EXPECT_EQ(WaitForSingleObject(timer, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(timer);
}

TEST(WaitableTimer, PeriodicTimerSignalsEveryPeriod) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    LARGE_INTEGER due = Relative(20);
    auto start = steady_clock::now();
    SetWaitableTimer(timer, &due, 25, nullptr, nullptr, FALSE);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(WaitForSingleObject(timer, 10000), WAIT_OBJECT_0);
    EXPECT_GE(steady_clock::now() - start, milliseconds(20 + 3 * 25 - 1));
    EXPECT_TRUE(CancelWaitableTimer(timer));
    EXPECT_EQ(WaitForSingleObject(timer, 100), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(timer);
}

TEST(WaitableTimer, AbsoluteDueTimesAreSystemTimes) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) |
                                         now.dwLowDateTime) +
                   50 * 10000;
    auto start = steady_clock::now();
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    EXPECT_EQ(WaitForSingleObject(timer, 10000), WAIT_OBJECT_0);
    EXPECT_GE(steady_clock::now() - start, milliseconds(40));
    // A due time in the past signals at once.
    due.QuadPart = 1;
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0);
    CloseHandle(timer);
}

TEST(WaitableTimer, ResettingWhileAThreadWaitsMovesItsWakeUp) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    LARGE_INTEGER late = Relative(60000);
    SetWaitableTimer(timer, &late, 0, nullptr, nullptr, FALSE);
    HANDLE waiting = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD result = 0;
    std::thread waiter([&] {
        SetEvent(waiting);
        result = WaitForSingleObject(timer, 20000);
    });
    WaitForSingleObject(waiting, INFINITE);
    LARGE_INTEGER soon = Relative(10);
    SetWaitableTimer(timer, &soon, 0, nullptr, nullptr, FALSE);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(waiting);
    CloseHandle(timer);
}

TEST(WaitableTimer, BadArgumentsAreRefused) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    LARGE_INTEGER due = Relative(10);
    SetLastError(0);
    EXPECT_FALSE(SetWaitableTimer(timer, &due, -1, nullptr, nullptr, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    CloseHandle(timer);
    SetLastError(0);
    EXPECT_FALSE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Completion routines are not implemented (no alertable waits here), and a
// missing due time is refused where Windows would fault on it.
PLATFORM_DIFFERENCE_TEST(WaitableTimer, CompletionRoutinesAndMissingDueTimesAreRefused) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    LARGE_INTEGER due = Relative(10);
    SetLastError(0);
    EXPECT_FALSE(SetWaitableTimer(timer, nullptr, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    auto routine = [](LPVOID, DWORD, DWORD) {};
    SetLastError(0);
    EXPECT_FALSE(SetWaitableTimer(timer, &due, 0, routine, nullptr, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    CloseHandle(timer);
}

}  // namespace
