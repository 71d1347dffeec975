// Handles: values, closing, duplication and the last-error code.
#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>
#include <vector>

namespace {

TEST(Handles, ValuesAreSmallNonZeroMultiplesOfFour) {
    HANDLE events[8];
    for (HANDLE& event : events) {
        event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(event, nullptr);
        auto value = reinterpret_cast<uintptr_t>(event);
        EXPECT_EQ(value % 4, 0u);
        EXPECT_LE(value, 0xFFFFFFFFu);
    }
    for (HANDLE event : events) EXPECT_TRUE(CloseHandle(event));
}

TEST(Handles, ClosedNullAndForeignHandlesFailWithInvalidHandle) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(event));
    for (HANDLE bad : {event, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(0x7fff0000),
                       reinterpret_cast<HANDLE>(3)}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_FALSE(SetEvent(bad));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST(Handles, WrongKindOfObjectIsAnInvalidHandle) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    SetLastError(0);
    EXPECT_FALSE(SetEvent(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(CancelWaitableTimer(event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD code = 0;
    SetLastError(0);
    EXPECT_FALSE(GetExitCodeThread(timer, &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(mutex);
    CloseHandle(event);
    CloseHandle(timer);
}

TEST(Handles, DuplicateRefersToTheSameObjectAndOutlivesTheOriginal) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    EXPECT_NE(copy, event);
    ASSERT_TRUE(SetEvent(copy));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ASSERT_TRUE(CloseHandle(event));
    EXPECT_EQ(WaitForSingleObject(copy, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(copy));
}

TEST(Handles, DuplicateCanCloseTheSource) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(WaitForSingleObject(copy, 0), WAIT_OBJECT_0);
    CloseHandle(copy);
}

TEST(Handles, DuplicateRefusesOtherProcessesAndBadSources) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE copy = nullptr;
    SetLastError(0);
    EXPECT_FALSE(DuplicateHandle(reinterpret_cast<HANDLE>(0x1234), event, GetCurrentProcess(),
                                 &copy, 0, FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(event);
    SetLastError(0);
    EXPECT_FALSE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE,
                                 DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Handles, CurrentThreadPseudoHandleDuplicatesIntoARealThreadHandle) {
    HANDLE thread = nullptr;
    std::thread worker([&thread] {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
    });
    worker.join();
    ASSERT_NE(thread, nullptr);
    // The std::thread has ended, so its handle is signalled.
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_TRUE(CloseHandle(GetCurrentThread()));  // pseudo handles close as a no-op
}

TEST(LastError, IsKeptPerThread) {
    SetLastError(1234);
    DWORD seen_by_other = 0;
    std::thread other([&seen_by_other] {
        seen_by_other = GetLastError();
        SetLastError(99);
    });
    other.join();
    EXPECT_EQ(seen_by_other, 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}

TEST(Basics, IdsAndTicks) {
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
    DWORD main_id = GetCurrentThreadId();
    DWORD other_id = 0;
    std::thread other([&other_id] { other_id = GetCurrentThreadId(); });
    other.join();
    EXPECT_NE(main_id, other_id);
    EXPECT_NE(main_id, 0u);

    DWORD before = GetTickCount();
    ULONGLONG before64 = GetTickCount64();
    Sleep(50);
    DWORD elapsed = GetTickCount() - before;  // unsigned arithmetic survives a wrap
    EXPECT_GE(elapsed, 49u);
    EXPECT_LT(elapsed, 10000u);
    // GetTickCount is the low half of the 64-bit count.
    EXPECT_LT(GetTickCount() - static_cast<DWORD>(before64), 10000u);
}

TEST(Interlocked, OperationsReturnTheDocumentedValuesAndLoseNothing) {
    LONG volatile value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 9), 5);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 8), 9);  // no match: unchanged
    EXPECT_EQ(value, 9);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 9), 9);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(InterlockedOr(&value, 6), 1);
    EXPECT_EQ(value, 7);

    LONG volatile counter = 0;
    LONG volatile bits = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10000; ++i) InterlockedIncrement(&counter);
            InterlockedOr(&bits, 1 << t);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(counter, 40000);
    EXPECT_EQ(bits, 15);
}

}  // namespace
