// How fast a signal reaches a waiting thread: SetEvent to a thread blocked
// in WaitForSingleObject, and a wait-service dispatch (signal, callback on
// the worker), each beside a bare std::condition_variable ping-pong.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "capture/wait_service.h"
#include "ratio_reporter.h"

namespace {

// Baseline: one round trip between two threads through a mutex and
// condition variable.
void BM_ConditionVariablePingPong(benchmark::State& state) {
    std::mutex lock;
    std::condition_variable changed;
    int turn = 0;  // 0: main's, 1: partner's, 2: stop
    std::thread partner([&] {
        std::unique_lock guard(lock);
        for (;;) {
            changed.wait(guard, [&] { return turn != 0; });
            if (turn == 2) return;
            turn = 0;
            changed.notify_one();
        }
    });
    for (auto _ : state) {
        std::unique_lock guard(lock);
        turn = 1;
        changed.notify_one();
        changed.wait(guard, [&] { return turn == 0; });
    }
    {
        std::lock_guard guard(lock);
        turn = 2;
    }
    changed.notify_one();
    partner.join();
}
BENCHMARK(BM_ConditionVariablePingPong)->UseRealTime();

// One round trip through two auto-reset events.
void BM_EventPingPong(benchmark::State& state) {
    HANDLE ping = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE pong = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    volatile LONG stop = 0;
    std::thread partner([&] {
        for (;;) {
            WaitForSingleObject(ping, INFINITE);
            if (stop) return;
            SetEvent(pong);
        }
    });
    for (auto _ : state) {
        SetEvent(ping);
        WaitForSingleObject(pong, INFINITE);
    }
    stop = 1;
    SetEvent(ping);
    partner.join();
    CloseHandle(ping);
    CloseHandle(pong);
    kmxbench::CompareWith(state, "BM_ConditionVariablePingPong");
}
BENCHMARK(BM_EventPingPong)->UseRealTime();

// One dispatch: register, signal, the worker calls back, the callback
// signals the caller.
void BM_WaitServiceDispatch(benchmark::State& state) {
    kmx::WaitService service{};
    kmx::StartWaitService(&service);
    HANDLE signal = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    auto callback = [](void* context, DWORD shutdown) {
        if (!shutdown) SetEvent(static_cast<HANDLE>(context));
    };
    for (auto _ : state) {
        kmx::AddWait(&service, callback, done, signal);
        SetEvent(signal);
        WaitForSingleObject(done, INFINITE);
    }
    kmx::StopWaitService(&service);
    CloseHandle(signal);
    CloseHandle(done);
    kmxbench::CompareWith(state, "BM_ConditionVariablePingPong");
}
BENCHMARK(BM_WaitServiceDispatch)->UseRealTime();

}  // namespace
