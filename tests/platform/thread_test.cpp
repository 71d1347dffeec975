// Threads: creation, ending, exit codes, termination and priorities.
#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

struct Gate {
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD seen_id = 0;
    ~Gate() {
        CloseHandle(started);
        CloseHandle(release);
    }
};

DWORD WINAPI WaitAtGate(LPVOID parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    gate->seen_id = GetCurrentThreadId();
    SetEvent(gate->started);
    WaitForSingleObject(gate->release, INFINITE);
    return 42;
}

TEST(Threads, RunReportTheirIdAndSignalTheirHandleWithTheExitCode) {
    Gate gate;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, &id);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(gate.started, INFINITE);
    EXPECT_EQ(gate.seen_id, id);
    EXPECT_NE(id, GetCurrentThreadId());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(gate.release);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(thread));
}

// Leaves the thread from DEPTH frames down when LEAVE is set.
int LeaveFromDeepInside(int depth, bool leave) {
    if (depth > 0) return LeaveFromDeepInside(depth - 1, leave) + 1;
    if (leave) ExitThread(7);
    return 0;
}

TEST(Threads, ExitThreadEndsTheThreadWithItsCode) {
    static std::atomic<bool> returned_normally{false};
    HANDLE thread = CreateThread(
        nullptr, 64 * 1024,
        [](LPVOID) -> DWORD {
            LeaveFromDeepInside(5, true);
            returned_normally = true;
            return 0;
        },
        nullptr, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 7u);
    EXPECT_FALSE(returned_normally);
    CloseHandle(thread);
}

TEST(Threads, TerminatingAWaitingThreadEndsItAndAbandonsItsMutexes) {
    struct Context {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
        Gate gate;
        bool after_wait = false;
    } context;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            auto* context = static_cast<Context*>(parameter);
            WaitForSingleObject(context->mutex, INFINITE);
            SetEvent(context->gate.started);
            WaitForSingleObject(context->gate.release, INFINITE);
            context->after_wait = true;
            return 0;
        },
        &context, 0, nullptr);
    WaitForSingleObject(context.gate.started, INFINITE);
    EXPECT_TRUE(TerminateThread(thread, 99));
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 99u);
    EXPECT_FALSE(context.after_wait);
    EXPECT_EQ(WaitForSingleObject(context.mutex, 0), WAIT_ABANDONED);
    ReleaseMutex(context.mutex);
    CloseHandle(context.mutex);
    CloseHandle(thread);
    EXPECT_TRUE(TerminateThread(thread, 1) == FALSE);  // closed handle
}

TEST(Threads, ABusyThreadEndsAtItsNextCallIntoThePlatform) {
    struct Context {
        std::atomic<bool> go{false};
        std::atomic<bool> ran_past{false};
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    } context;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            auto* context = static_cast<Context*>(parameter);
            while (!context->go) {
            }
            SetEvent(context->event);
            context->ran_past = true;
            return 0;
        },
        &context, 0, nullptr);
    EXPECT_TRUE(TerminateThread(thread, 5));
    context.go = true;
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(context.ran_past);
    EXPECT_EQ(WaitForSingleObject(context.event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 5u);
    CloseHandle(context.event);
    CloseHandle(thread);
}

TEST(Threads, AThreadCanTerminateItself) {
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            TerminateThread(GetCurrentThread(), 3);
            return 0;
        },
        nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 3u);
    CloseHandle(thread);
}

TEST(Threads, PrioritiesAreCheckedAndKept) {
    Gate gate;
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, nullptr);
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_ABOVE_NORMAL);
    SetLastError(0);
    EXPECT_FALSE(SetThreadPriority(thread, 7));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetEvent(gate.release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_ERROR_RETURN);
}

TEST(Threads, BadArgumentsAreRefused) {
    SetLastError(0);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    Gate gate;
    SetLastError(0);
    EXPECT_EQ(CreateThread(nullptr, 0, WaitAtGate, &gate, CREATE_SUSPENDED, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD code = 0;
    SetLastError(0);
    EXPECT_FALSE(GetExitCodeThread(event, &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(TerminateThread(event, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(event);
}

// A process that exits runs the module destructors on the exiting thread
// after that thread's own thread-local objects are gone; their waits must
// still work.
TEST(ThreadsDeathTest, AWaitAtProcessExitAfterTheThreadsOwnStateHasGoneStillWorks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static struct AtExit {
                HANDLE thread = CreateThread(
                    nullptr, 0,
                    [](LPVOID) -> DWORD {
                        Sleep(50);  // so that the wait below has to block
                        return 7;
                    },
                    nullptr, 0, nullptr);
                ~AtExit() {
                    DWORD code = 0;
                    bool ended = WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0 &&
                                 GetExitCodeThread(thread, &code) && code == 7;
                    _exit(ended ? 0 : 1);
                }
            } at_exit;
            exit(3);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
