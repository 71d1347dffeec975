// Critical sections.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_EQ(section.RecursionCount, 2);
    BOOL other_entered = TRUE;
    std::thread([&] { other_entered = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(other_entered);
    LeaveCriticalSection(&section);
    std::thread([&] { other_entered = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(other_entered);
    LeaveCriticalSection(&section);
    std::thread([&] {
        other_entered = TryEnterCriticalSection(&section);
        if (other_entered) LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(other_entered);
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, SerialisesUpdatesFromManyThreads) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&section);
                counter = counter + 1;
                LeaveCriticalSection(&section);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(counter, 80000);
    DeleteCriticalSection(&section);
}

}  // namespace
