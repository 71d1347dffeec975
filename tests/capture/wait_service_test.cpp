// The wait service: callbacks on the worker when handles are signalled, and
// the shutdown calls when it stops.
#include "capture/wait_service.h"

#include "common/echo_driver.h"
#include "common/failing_allocations.h"
#include "device/kernel_channel.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using kmx::AddWait;
using kmx::StartWaitService;
using kmx::StopWaitService;
using kmx::WaitService;

// Records every call of the callback; each call also signals `called`.
struct Recorder {
    struct Call {
        int tag;
        DWORD shutdown;
        DWORD thread;
    };
    std::mutex lock;
    std::vector<Call> calls;
    HANDLE called = CreateEventA(nullptr, FALSE, FALSE, nullptr);

    ~Recorder() { CloseHandle(called); }

    struct Context {
        Recorder* recorder;
        int tag;
    };
    static void Callback(void* context, DWORD shutdown) {
        auto* c = static_cast<Context*>(context);
        {
            std::lock_guard guard(c->recorder->lock);
            c->recorder->calls.push_back({c->tag, shutdown, GetCurrentThreadId()});
        }
        SetEvent(c->recorder->called);
    }
    std::vector<Call> Calls() {
        std::lock_guard guard(lock);
        return calls;
    }
    // Waits until at least COUNT calls were made.
    bool WaitForCalls(size_t count) {
        while (Calls().size() < count)
            if (WaitForSingleObject(called, 20000) != WAIT_OBJECT_0) return false;
        return true;
    }
};

class WaitServiceTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(StartWaitService(&service), 1); }
    void TearDown() override {
        StopWaitService(&service);
        for (HANDLE event : events) CloseHandle(event);
    }
    HANDLE NewEvent(BOOL manual = FALSE) {
        events.push_back(CreateEventA(nullptr, manual, FALSE, nullptr));
        return events.back();
    }
    WaitService service{};
    Recorder recorder;
    std::vector<HANDLE> events;
};

TEST_F(WaitServiceTest, FirstEntryWakesTheWorkerWhichCallsBackOnItsOwnThread) {
    HANDLE event = NewEvent();
    Recorder::Context context{&recorder, 1};
    ASSERT_EQ(AddWait(&service, Recorder::Callback, &context, event), 1);
    SetEvent(event);
    ASSERT_TRUE(recorder.WaitForCalls(1));
    auto calls = recorder.Calls();
    EXPECT_EQ(calls[0].tag, 1);
    EXPECT_EQ(calls[0].shutdown, 0u);
    EXPECT_EQ(calls[0].thread, service.thread_id);
    EXPECT_NE(calls[0].thread, GetCurrentThreadId());
    // The entry was removed: stopping calls nothing more.
    EXPECT_EQ(StopWaitService(&service), 1);
    EXPECT_EQ(recorder.Calls().size(), 1u);
}

TEST_F(WaitServiceTest, ASignalRemovesAndCallsOnlyTheFirstEntryOfAHandle) {
    HANDLE event = NewEvent();
    Recorder::Context first{&recorder, 1}, second{&recorder, 2};
    AddWait(&service, Recorder::Callback, &first, event);
    AddWait(&service, Recorder::Callback, &second, event);
    SetEvent(event);
    ASSERT_TRUE(recorder.WaitForCalls(1));
    EXPECT_EQ(StopWaitService(&service), 1);
    auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].tag, 1);
    EXPECT_EQ(calls[0].shutdown, 0u);
    EXPECT_EQ(calls[1].tag, 2);
    EXPECT_EQ(calls[1].shutdown, 1u);
}

TEST_F(WaitServiceTest, StoppingCallsEveryPendingCallbackOnceWithShutdown) {
    Recorder::Context contexts[3] = {{&recorder, 1}, {&recorder, 2}, {&recorder, 3}};
    for (auto& context : contexts) AddWait(&service, Recorder::Callback, &context, NewEvent());
    EXPECT_EQ(StopWaitService(&service), 1);
    auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[i].tag, i + 1);  // in order of registration
        EXPECT_EQ(calls[i].shutdown, 1u);
    }
    EXPECT_EQ(StopWaitService(&service), 0);  // nothing left to stop
}

TEST_F(WaitServiceTest, RefusesBadRegistrationsAndAnyAfterStopping) {
    Recorder::Context context{&recorder, 1};
    HANDLE event = NewEvent();
    EXPECT_EQ(AddWait(nullptr, Recorder::Callback, &context, event), 0);
    EXPECT_EQ(AddWait(&service, nullptr, &context, event), 0);
    EXPECT_EQ(AddWait(&service, Recorder::Callback, &context, nullptr), 0);
    EXPECT_EQ(AddWait(&service, Recorder::Callback, &context, INVALID_HANDLE_VALUE), 0);
    EXPECT_EQ(StopWaitService(&service), 1);
    EXPECT_EQ(AddWait(&service, Recorder::Callback, &context, event), 0);
    EXPECT_TRUE(recorder.Calls().empty());
    EXPECT_EQ(StopWaitService(nullptr), 0);
}

TEST_F(WaitServiceTest, ACallbackMayWaitAgainOnItsOwnServiceWithoutAllocating) {
    // Each signal calls back once; the callback waits again until its third,
    // as a stream waits again for each frame, without allocating: the entry
    // that ended is taken again.
    struct Rearming {
        WaitService* service;
        HANDLE event;
        HANDLE called;
        int signals = 0;
        int shutdowns = 0;
        size_t allocations = 0;  // made by the waits again
        kmx::WaitCallback self_callback = nullptr;
    } rearming{&service, NewEvent(), NewEvent()};
    auto callback = [](void* context, DWORD shutdown) {
        auto* r = static_cast<Rearming*>(context);
        if (shutdown) {
            ++r->shutdowns;
            return;
        }
        size_t before = kmxtest::AllocationCount();
        if (++r->signals < 3) AddWait(r->service, r->self_callback, r, r->event);
        r->allocations += kmxtest::AllocationCount() - before;
        SetEvent(r->called);
    };
    rearming.self_callback = callback;
    ASSERT_EQ(AddWait(&service, callback, &rearming, rearming.event), 1);
    for (int i = 0; i < 3; ++i) {
        SetEvent(rearming.event);
        ASSERT_EQ(WaitForSingleObject(rearming.called, 20000), WAIT_OBJECT_0);
    }
    EXPECT_EQ(StopWaitService(&service), 1);
    EXPECT_EQ(rearming.signals, 3);
    EXPECT_EQ(rearming.shutdowns, 0);
    EXPECT_EQ(rearming.allocations, 0u);
}

TEST_F(WaitServiceTest, EntriesBeyondSixtyThreeWaitTheirTurn) {
    constexpr int kEntries = 100;
    std::vector<Recorder::Context> contexts;
    contexts.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        contexts.push_back({&recorder, i});
        HANDLE event = NewEvent(TRUE);
        SetEvent(event);
        ASSERT_EQ(AddWait(&service, Recorder::Callback, &contexts.back(), event), 1);
    }
    ASSERT_TRUE(recorder.WaitForCalls(kEntries));
    auto calls = recorder.Calls();
    std::vector<bool> seen(kEntries);
    for (const auto& call : calls) {
        EXPECT_EQ(call.shutdown, 0u);
        EXPECT_FALSE(seen[call.tag]);
        seen[call.tag] = true;
    }
}

TEST_F(WaitServiceTest, TimersAreWaitedOnLikeAnyHandle) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    events.push_back(timer);
    LARGE_INTEGER due;
    due.QuadPart = -20 * 10000;
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    Recorder::Context context{&recorder, 7};
    AddWait(&service, Recorder::Callback, &context, timer);
    ASSERT_TRUE(recorder.WaitForCalls(1));
    EXPECT_EQ(recorder.Calls()[0].tag, 7);
}

TEST_F(WaitServiceTest, AWorkerStuckInACallbackIsTerminatedAndPendingEntriesStillEnd) {
    struct Stuck {
        HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ~Stuck() {
            CloseHandle(entered);
            CloseHandle(never);
        }
    } stuck;
    auto blocking = [](void* context, DWORD) {
        auto* s = static_cast<Stuck*>(context);
        SetEvent(s->entered);
        WaitForSingleObject(s->never, INFINITE);
    };
    HANDLE trigger = NewEvent();
    Recorder::Context pending{&recorder, 2};
    AddWait(&service, blocking, &stuck, trigger);
    AddWait(&service, Recorder::Callback, &pending, NewEvent());
    SetEvent(trigger);
    ASSERT_EQ(WaitForSingleObject(stuck.entered, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(StopWaitService(&service), 1);
    auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].tag, 2);
    EXPECT_EQ(calls[0].shutdown, 1u);
    EXPECT_EQ(calls[0].thread, GetCurrentThreadId());  // on the stopping thread
}

TEST_F(WaitServiceTest, AWorkerStuckInAShutdownCallbackLeavesTheRestToTheStoppingThread) {
    HANDLE never = NewEvent(TRUE);
    auto blocking = [](void* context, DWORD) {
        WaitForSingleObject(static_cast<HANDLE>(context), INFINITE);
    };
    Recorder::Context later{&recorder, 2};
    AddWait(&service, blocking, never, NewEvent());
    AddWait(&service, Recorder::Callback, &later, NewEvent());
    EXPECT_EQ(StopWaitService(&service), 1);
    auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].tag, 2);
    EXPECT_EQ(calls[0].shutdown, 1u);
    EXPECT_EQ(calls[0].thread, GetCurrentThreadId());
}

TEST_F(WaitServiceTest, AClosedHandleEndsItsEntryAndTheOthersAreStillDispatched) {
    HANDLE doomed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE live = NewEvent();
    Recorder::Context closed{&recorder, 1}, other{&recorder, 2};
    AddWait(&service, Recorder::Callback, &closed, doomed);
    CloseHandle(doomed);
    AddWait(&service, Recorder::Callback, &other, live);
    SetEvent(live);
    ASSERT_TRUE(recorder.WaitForCalls(2));
    auto calls = recorder.Calls();
    EXPECT_EQ(calls[0].tag, 1);
    EXPECT_EQ(calls[0].shutdown, 1u) << "ended as at a stop";
    EXPECT_EQ(calls[1].tag, 2);
    EXPECT_EQ(calls[1].shutdown, 0u);
    EXPECT_EQ(StopWaitService(&service), 1);
    EXPECT_EQ(recorder.Calls().size(), 2u);
}

TEST_F(WaitServiceTest, AStopReturnsOnlyOnceAWorkerBlockedInADeviceRequestHasEnded) {
    const std::string path = "\\\\?\\test#wait#1";
    kmxtest::EchoDriver driver;
    auto interface = kmxwin::DeviceInterface::Register(kmxtest::kTestInterfaceClass, path, driver);
    ASSERT_NE(interface, nullptr);
    struct Blocked {
        HANDLE device = INVALID_HANDLE_VALUE;
        bool returned = false;
    } blocked;
    ASSERT_TRUE(kmx::OpenDevicePath(&blocked.device, path.c_str(), "\\Connect"));
    auto sending = [](void* context, DWORD) {
        auto* blocked = static_cast<Blocked*>(context);
        BYTE record[8] = {};
        kmx::SendCommand(blocked->device, kmxtest::kHold, record, sizeof record, nullptr, nullptr);
        blocked->returned = true;
    };
    HANDLE trigger = NewEvent();
    ASSERT_EQ(AddWait(&service, sending, &blocked, trigger), 1);
    HANDLE worker = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), service.thread, GetCurrentProcess(), &worker,
                                0, FALSE, DUPLICATE_SAME_ACCESS));
    SetEvent(trigger);
    driver.WaitHeld();
    EXPECT_EQ(StopWaitService(&service), 1);
    EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0) << "the worker outlived its stop";
    EXPECT_FALSE(blocked.returned);
    CloseHandle(worker);
    driver.CompleteHeld(STATUS_SUCCESS, "");  // the driver lets its copy go
    kmx::CloseDevice(&blocked.device);
}

TEST_F(WaitServiceTest, RegistrationsRacingAStopAreEachEndedOnce) {
    // Another thread registers until it is refused, while this one stops.
    std::vector<Recorder::Context> contexts(2000);
    for (size_t i = 0; i < contexts.size(); ++i) contexts[i] = {&recorder, static_cast<int>(i)};
    HANDLE never = NewEvent(TRUE);
    HANDLE started = NewEvent(TRUE);
    size_t accepted = 0;
    std::thread adder([&] {
        SetEvent(started);
        while (accepted < contexts.size() &&
               AddWait(&service, Recorder::Callback, &contexts[accepted], never))
            ++accepted;
    });
    WaitForSingleObject(started, INFINITE);
    EXPECT_EQ(StopWaitService(&service), 1);
    adder.join();
    auto calls = recorder.Calls();
    EXPECT_EQ(calls.size(), accepted);
    std::vector<int> seen(contexts.size());
    for (const auto& call : calls) EXPECT_EQ(++seen[call.tag], 1);
}

}  // namespace
