// A capture client's stream on its channel, driven as applications drive
// one: its buffers, and the callbacks the linking driver made, in order.
#pragma once

#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include "capture/capture_test_support.h"
#include "common/failing_allocations.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace kmxcapturetest {

// The minimal camera's first client format: 320x240 RGB, 24 bits.
inline constexpr DWORD kFrameBytes = 320 * 240 * 3;
inline constexpr auto kPatience = std::chrono::seconds(20);

struct Callback {
    UINT message;
    DWORD_PTR parameter;
    DWORD_PTR parameter2;
    size_t allocations;  // made so far by the thread that called back
};

// A client's stream on its capture channel: its buffers, and the callbacks
// the driver made, in order.
class StreamClient {
  public:
    StreamClient(Channel& channel, size_t buffers) : channel_(channel), headers_(buffers) {
        for (VIDEOHDR& header : headers_) {
            data_.emplace_back(kFrameBytes);
            header.lpData = data_.back().data();
            header.dwBufferLength = kFrameBytes;
        }
        // Recording a callback allocates nothing, so that the driver's own
        // allocations on its thread can be counted.
        callbacks_.reserve(1000);
    }
    // A stream left open would go on calling back into a client that is gone
    // once its channel closes: end it here, whatever state the test left.
    ~StreamClient() {
        Send(DVM_STREAM_RESET);
        for (VIDEOHDR& header : headers_)
            if (header.dwFlags & VHDR_PREPARED) Send(DVM_STREAM_UNPREPAREHEADER, header);
        Send(DVM_STREAM_FINI);
    }

    LRESULT Init(DWORD microseconds = 50000, DWORD flags = CALLBACK_FUNCTION,
                 DWORD_PTR callback = 0) {
        VIDEO_STREAM_INIT_PARMS parameters{
            microseconds, callback ? callback : reinterpret_cast<DWORD_PTR>(&Record),
            reinterpret_cast<DWORD_PTR>(this), flags, nullptr};
        return channel_.Send(DVM_STREAM_INIT, reinterpret_cast<LPARAM>(&parameters),
                             sizeof parameters);
    }
    // Prepares every buffer (setting VHDR_PREPARED, as msvideo does) and
    // queues them.
    void PrepareAndAddAll() {
        for (VIDEOHDR& header : headers_) {
            ASSERT_EQ(Send(DVM_STREAM_PREPAREHEADER, header), DV_ERR_OK);
            header.dwFlags |= VHDR_PREPARED;
            ASSERT_EQ(Send(DVM_STREAM_ADDBUFFER, header), DV_ERR_OK);
        }
    }
    void UnprepareAll() {
        for (VIDEOHDR& header : headers_) {
            EXPECT_EQ(Send(DVM_STREAM_UNPREPAREHEADER, header), DV_ERR_OK);
            header.dwFlags &= ~VHDR_PREPARED;
        }
    }
    LRESULT Send(UINT message, VIDEOHDR& header) {
        return channel_.Send(message, reinterpret_cast<LPARAM>(&header), sizeof header);
    }
    LRESULT Send(UINT message) { return channel_.Send(message, 0, 0); }

    // Waits until COUNT callbacks of MESSAGE have come; false after a while.
    bool WaitFor(UINT message, size_t count) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, kPatience, [&] { return Count(message) >= count; });
    }
    size_t CountOf(UINT message) {
        std::lock_guard guard(lock_);
        return Count(message);
    }
    std::vector<Callback> Callbacks() {
        std::lock_guard guard(lock_);
        return callbacks_;
    }
    VIDEOHDR& Header(size_t index) { return headers_[index]; }

  private:
    static void CALLBACK Record(HDRVR, UINT message, DWORD_PTR instance, DWORD_PTR parameter,
                                DWORD_PTR parameter2) {
        auto* client = reinterpret_cast<StreamClient*>(instance);
        std::lock_guard guard(client->lock_);
        if (client->callbacks_.size() < client->callbacks_.capacity())
            client->callbacks_.push_back(
                {message, parameter, parameter2, kmxtest::AllocationCount()});
        client->changed_.notify_all();
    }
    size_t Count(UINT message) const {
        size_t count = 0;
        for (const Callback& callback : callbacks_) count += callback.message == message;
        return count;
    }

    Channel& channel_;
    std::deque<VIDEOHDR> headers_;
    std::vector<std::vector<BYTE>> data_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Callback> callbacks_;
};

}  // namespace kmxcapturetest
