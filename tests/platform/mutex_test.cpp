// Mutexes of one process and named mutexes within one process.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

DWORD WaitOnOtherThread(HANDLE object, DWORD timeout) {
    DWORD result = 0;
    std::thread([&] { result = WaitForSingleObject(object, timeout); }).join();
    return result;
}

class MutexKinds : public testing::TestWithParam<const char*> {
  protected:
    HANDLE Create(BOOL initial_owner) {
        const char* name = GetParam();
        return CreateMutexA(nullptr, initial_owner, *name ? name : nullptr);
    }
};

TEST_P(MutexKinds, OwnershipIsRecursiveAndCountedPerLevel) {
    HANDLE mutex = Create(TRUE);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitOnOtherThread(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitOnOtherThread(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // one level left
    EXPECT_TRUE(ReleaseMutex(mutex));
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    CloseHandle(mutex);
}

TEST_P(MutexKinds, ReleaseFailsForAThreadThatDoesNotOwnIt) {
    HANDLE mutex = Create(TRUE);
    BOOL released = TRUE;
    DWORD error = 0;
    std::thread([&] {
        released = ReleaseMutex(mutex);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(released);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_OWNER));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST_P(MutexKinds, IsAbandonedWhenTheOwningThreadEnds) {
    HANDLE mutex = Create(FALSE);
    std::thread([mutex] { ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); }).join();
    EXPECT_EQ(WaitForSingleObject(mutex, 5000), WAIT_ABANDONED);
    // The abandoned mutex is now owned normally.
    EXPECT_EQ(WaitOnOtherThread(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST_P(MutexKinds, ReleaseWakesAWaiterOnAnotherThread) {
    HANDLE mutex = Create(TRUE);
    HANDLE waiting = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD result = 0;
    std::thread waiter([&] {
        SetEvent(waiting);
        result = WaitForSingleObject(mutex, INFINITE);
        ReleaseMutex(mutex);
    });
    WaitForSingleObject(waiting, INFINITE);
    EXPECT_TRUE(ReleaseMutex(mutex));
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(waiting);
    CloseHandle(mutex);
}

TEST_P(MutexKinds, WorksInsideAWaitForSeveralObjects) {
    HANDLE mutex = Create(FALSE);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE handles[] = {event, mutex};
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 0), WAIT_OBJECT_0 + 1);
    std::thread([&] {
        EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }).join();
    std::thread other([&] {
        // Blocks until the release below.
        EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 10000), WAIT_OBJECT_0 + 1);
        ReleaseMutex(mutex);
    });
    EXPECT_TRUE(ReleaseMutex(mutex));
    other.join();
    CloseHandle(event);
    CloseHandle(mutex);
}

INSTANTIATE_TEST_SUITE_P(Unnamed, MutexKinds, testing::Values(""));
INSTANTIATE_TEST_SUITE_P(Named, MutexKinds, testing::Values("Local\\kmx-test-mutex"));

TEST(NamedMutex, SecondCreateInTheProcessFindsTheSameMutex) {
    HANDLE first = CreateMutexA(nullptr, TRUE, "kmx-test-same");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE second = CreateMutexA(nullptr, TRUE, "kmx-test-same");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(first, second);
    // Same object: owned once through the first handle; the second create
    // did not take it again.
    EXPECT_TRUE(ReleaseMutex(second));
    EXPECT_FALSE(ReleaseMutex(first));
    // "Global\" and "Local\" name the same single session.
    HANDLE third = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\kmx-test-same");
    EXPECT_NE(third, nullptr);
    CloseHandle(first);
    CloseHandle(second);
    CloseHandle(third);
}

TEST(NamedMutex, ExistsOnlyWhileAHandleIsOpen) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "kmx-test-lifetime");
    HANDLE opened = OpenMutexA(SYNCHRONIZE, FALSE, "kmx-test-lifetime");
    EXPECT_NE(opened, nullptr);
    CloseHandle(mutex);
    CloseHandle(opened);
    SetLastError(0);
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "kmx-test-lifetime"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    mutex = CreateMutexA(nullptr, FALSE, "kmx-test-lifetime");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(mutex);
}

TEST(NamedMutex, BadNamesAreRefused) {
    SetLastError(0);
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "a\\b"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    std::string long_name(MAX_PATH + 1, 'x');
    SetLastError(0);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, long_name.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    // Names that are not file names are still names.
    HANDLE odd = CreateMutexA(nullptr, FALSE, "../odd/.. name*");
    EXPECT_NE(odd, nullptr);
    CloseHandle(odd);
}

}  // namespace
