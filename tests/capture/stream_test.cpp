// Streaming as a capture client drives it through the linking driver:
// buffers in, frames and callbacks out, the skipped-frame count, stop and
// restart, reset, single grabs, the external channel, and a camera that is
// unplugged and plugged back in mid-stream.
#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include <gtest/gtest.h>
#include <kmxrecords/camera_commands.h>

#include "capture/capture_test_support.h"
#include "common/failing_allocations.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using kmxcapturetest::CaptureTest;
using kmxcapturetest::Channel;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr char16_t kDriver[] = u"kmxvfw32.dll";
// The minimal camera's first client format: 320x240 RGB, 24 bits.
constexpr DWORD kFrameBytes = 320 * 240 * 3;
constexpr auto kPatience = std::chrono::seconds(20);

struct Callback {
    UINT message;
    DWORD_PTR parameter;
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
                                DWORD_PTR) {
        auto* client = reinterpret_cast<StreamClient*>(instance);
        std::lock_guard guard(client->lock_);
        if (client->callbacks_.size() < client->callbacks_.capacity())
            client->callbacks_.push_back({message, parameter, kmxtest::AllocationCount()});
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

TEST_F(CaptureTest, FramesFillTheQueuedBuffersInOrderAndStopStartKeepsTheTimeBase) {
    Plug("minimal", "M");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen()) << capture.Error();
    StreamClient client(capture, 4);
    ASSERT_EQ(client.Init(), DV_ERR_OK);
    EXPECT_EQ(client.Init(), DV_ERR_ALLOCATED);
    EXPECT_EQ(client.CountOf(MM_DRVM_OPEN), 1u);
    // A stream holds the format.
    BITMAPINFOHEADER format{};
    ASSERT_EQ(capture.Format(VIDEO_CONFIGURE_GET, &format), DV_ERR_OK);
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &format), DV_ERR_STILLPLAYING);

    VIDEOHDR& first = client.Header(0);
    EXPECT_EQ(client.Send(DVM_STREAM_ADDBUFFER, first), DV_ERR_UNPREPARED);
    client.PrepareAndAddAll();
    EXPECT_EQ(client.Send(DVM_STREAM_ADDBUFFER, first), DV_ERR_NONSPECIFIC);  // queued already
    // A queued buffer's link carries the queue.
    EXPECT_EQ(client.Send(DVM_STREAM_UNPREPAREHEADER, first), DV_ERR_STILLPLAYING);

    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    ASSERT_TRUE(client.WaitFor(MM_DRVM_DATA, 4));
    ASSERT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
    std::vector<Callback> callbacks = client.Callbacks();
    ASSERT_GE(callbacks.size(), 5u);
    // From frame to frame the stream allocates nothing.
    EXPECT_EQ(callbacks[4].allocations, callbacks[2].allocations);
    // Oldest buffer first, each named by its header, filled whole.
    EXPECT_EQ(callbacks[1].parameter, reinterpret_cast<DWORD_PTR>(&client.Header(0)));
    EXPECT_EQ(callbacks[2].parameter, reinterpret_cast<DWORD_PTR>(&client.Header(1)));
    EXPECT_EQ(first.dwFlags, DWORD{VHDR_PREPARED | VHDR_DONE | VHDR_KEYFRAME});
    EXPECT_EQ(first.dwBytesUsed, kFrameBytes);
    EXPECT_EQ(first.dwTimeCaptured, 0u);
    // The picture arrived: a synthetic scene is not all zero bytes.
    EXPECT_NE(std::count(first.lpData, first.lpData + kFrameBytes, 0), kFrameBytes);

    // Stopped, nothing more comes; started again, the time base goes on.
    size_t delivered = client.CountOf(MM_DRVM_DATA);
    Sleep(200);
    EXPECT_EQ(client.CountOf(MM_DRVM_DATA), delivered);
    first.dwFlags &= ~VHDR_DONE;
    ASSERT_EQ(client.Send(DVM_STREAM_ADDBUFFER, first), DV_ERR_OK);
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    ASSERT_TRUE(client.WaitFor(MM_DRVM_DATA, 5));
    EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
    EXPECT_GT(first.dwTimeCaptured, 0u);
    // Every delivered frame was a frame the camera made and a read answered.
    std::optional<kmxcam::SimulatedCamera::FrameCounters> counters = service_->Counters("M");
    ASSERT_TRUE(counters);
    EXPECT_GE(counters->reads_completed, client.CountOf(MM_DRVM_DATA));
    EXPECT_GE(counters->frames_produced, counters->reads_completed);
    EXPECT_EQ(client.Callbacks().back().parameter, reinterpret_cast<DWORD_PTR>(&first));

    client.UnprepareAll();
    EXPECT_EQ(client.Send(DVM_STREAM_FINI), DV_ERR_OK);
    EXPECT_EQ(client.Callbacks().back().message, UINT{MM_DRVM_CLOSE});
    EXPECT_EQ(client.Send(DVM_STREAM_START), DV_ERR_NOTSUPPORTED);
    // The camera is idle again, in its own format, and usable by a new stream.
    EXPECT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &format), DV_ERR_OK);
    EXPECT_EQ(client.Init(), DV_ERR_OK);
}

TEST_F(CaptureTest, ResetHandsBackQueuedBuffersUnfilledAndStopWithNothingInFlightReturns) {
    Plug("minimal", "M");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    StreamClient client(capture, 3);
    ASSERT_EQ(client.Init(), DV_ERR_OK);
    EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);  // never started
    client.PrepareAndAddAll();
    ASSERT_EQ(client.Send(DVM_STREAM_RESET), DV_ERR_OK);
    std::vector<Callback> callbacks = client.Callbacks();
    ASSERT_EQ(callbacks.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(callbacks[i + 1].message, UINT{MM_DRVM_DATA});
        EXPECT_EQ(callbacks[i + 1].parameter, reinterpret_cast<DWORD_PTR>(&client.Header(i)));
        EXPECT_EQ(client.Header(i).dwFlags, DWORD{VHDR_PREPARED});
    }
    // The queue is empty: a started stream has nowhere to put a frame.
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    Sleep(200);
    EXPECT_EQ(client.CountOf(MM_DRVM_DATA), 3u);
    EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
    // A client that ends its stream without stopping it, or closes its
    // channel without ending it, leaves nothing running.
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    EXPECT_EQ(client.Send(DVM_STREAM_FINI), DV_ERR_OK);
    ASSERT_EQ(client.Init(), DV_ERR_OK);
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    EXPECT_TRUE(capture.Close());
}

TEST_F(CaptureTest, SkippedFramesAreCountedOnlyWithTwentyFiveBuffers) {
    Plug("minimal", "M");
    // No frame ever arrives.
    ASSERT_TRUE(
        service_->ArmFault("M", kmx::kReadFrameCode, kmxcam::Fault{kmxcam::FaultKind::Stall}));
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    {
        StreamClient client(capture, 24);
        ASSERT_EQ(client.Init(), DV_ERR_OK);
        client.PrepareAndAddAll();
        ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
        Sleep(300);
        EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
        DWORD error = 1, skipped = 1;
        EXPECT_EQ(capture.Send(DVM_STREAM_GETERROR, reinterpret_cast<LPARAM>(&error),
                               reinterpret_cast<LPARAM>(&skipped)),
                  DV_ERR_OK);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(skipped, 0u);
        EXPECT_EQ(client.CountOf(MM_DRVM_ERROR), 0u);
        EXPECT_EQ(client.Send(DVM_STREAM_RESET), DV_ERR_OK);
        client.UnprepareAll();
        EXPECT_EQ(client.Send(DVM_STREAM_FINI), DV_ERR_OK);
    }
    StreamClient client(capture, 25);
    // 66666 µs: a period of 66 ms, one count each.
    ASSERT_EQ(client.Init(66666), DV_ERR_OK);
    client.PrepareAndAddAll();
    auto start = steady_clock::now();
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    ASSERT_TRUE(client.WaitFor(MM_DRVM_ERROR, 4));
    EXPECT_GE(steady_clock::now() - start, milliseconds(4 * 66));
    EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
    std::vector<Callback> errors;
    for (const Callback& callback : client.Callbacks())
        if (callback.message == MM_DRVM_ERROR) errors.push_back(callback);
    for (size_t i = 0; i < errors.size(); ++i) EXPECT_EQ(errors[i].parameter, i + 1);
    DWORD skipped = 0;
    capture.Send(DVM_STREAM_GETERROR, 0, reinterpret_cast<LPARAM>(&skipped));
    EXPECT_EQ(skipped, errors.size());
    service_->ClearFaults("M");
}

TEST_F(CaptureTest, TheExternalChannelHasNoStreamAndEventAndWindowClientsAreTold) {
    Plug("minimal", "M");
    Channel capture(kDriver, VIDEO_IN);
    Channel external(kDriver, VIDEO_EXTERNALIN);
    ASSERT_TRUE(capture.IsOpen() && external.IsOpen());
    StreamClient outside(external, 1);
    EXPECT_EQ(outside.Init(), DV_ERR_OK);
    EXPECT_EQ(outside.CountOf(MM_DRVM_OPEN), 0u);
    EXPECT_EQ(outside.Send(DVM_STREAM_START), DV_ERR_NOTSUPPORTED);
    EXPECT_EQ(outside.Send(DVM_STREAM_FINI), DV_ERR_OK);
    VIDEOHDR grab{};
    EXPECT_EQ(outside.Send(DVM_FRAME, grab), DV_ERR_NOTSUPPORTED);

    // An event client: its event is set for each message.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    StreamClient client(capture, 2);
    ASSERT_EQ(client.Init(50000, CALLBACK_EVENT, reinterpret_cast<DWORD_PTR>(event)), DV_ERR_OK);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    client.PrepareAndAddAll();
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    EXPECT_EQ(WaitForSingleObject(event, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(client.Send(DVM_STREAM_FINI), DV_ERR_OK);
    CloseHandle(event);

    // A window client: the messages arrive in its queue, the header as lParam.
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "StreamClientWindow";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "StreamClientWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    StreamClient windowed(capture, 1);
    ASSERT_EQ(windowed.Init(50000, CALLBACK_WINDOW, reinterpret_cast<DWORD_PTR>(window)),
              DV_ERR_OK);
    windowed.PrepareAndAddAll();
    ASSERT_EQ(windowed.Send(DVM_STREAM_START), DV_ERR_OK);
    MSG message{};
    std::vector<UINT> seen;
    for (auto until = steady_clock::now() + kPatience;
         seen.size() < 2 && steady_clock::now() < until;) {
        if (PeekMessageA(&message, window, MM_DRVM_OPEN, MM_DRVM_ERROR, PM_REMOVE)) {
            seen.push_back(message.message);
            if (message.message == MM_DRVM_DATA) {
                EXPECT_EQ(message.lParam, reinterpret_cast<LPARAM>(&windowed.Header(0)));
            }
        } else {
            Sleep(10);
        }
    }
    EXPECT_EQ(seen, (std::vector<UINT>{MM_DRVM_OPEN, MM_DRVM_DATA}));
    EXPECT_EQ(windowed.Send(DVM_STREAM_FINI), DV_ERR_OK);
    DestroyWindow(window);
}

TEST_F(CaptureTest, ACompressedFrameIsAsLongAsTheCameraMadeIt) {
    Plug("minimal", "M");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    BITMAPINFOHEADER mjpg{sizeof mjpg,         320, 240, 1, 24, kmx::kFourccMjpg,
                          2 * 320 * 240 + 608, 0,   0,   0, 0};
    ASSERT_EQ(capture.Format(VIDEO_CONFIGURE_SET, &mjpg), DV_ERR_OK);
    // Bytes a frame never ends with: a length reaching into them is wrong.
    auto ends_its_picture = [](const VIDEOHDR& header) {
        const BYTE* end = header.lpData + header.dwBytesUsed;
        return header.dwBytesUsed > 2 && header.dwBytesUsed < kFrameBytes && end[-2] == 0xFF &&
               end[-1] == 0xD9;
    };
    std::vector<BYTE> data(kFrameBytes, 0xEE);
    VIDEOHDR grab{data.data(), kFrameBytes, 0, 0, 0, 0, {}};
    StreamClient client(capture, 2);
    ASSERT_EQ(client.Send(DVM_FRAME, grab), DV_ERR_OK);
    EXPECT_TRUE(ends_its_picture(grab)) << grab.dwBytesUsed;

    ASSERT_EQ(client.Init(), DV_ERR_OK);
    client.PrepareAndAddAll();
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    ASSERT_TRUE(client.WaitFor(MM_DRVM_DATA, 1));
    EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
    EXPECT_TRUE(ends_its_picture(client.Header(0))) << client.Header(0).dwBytesUsed;
}

TEST_F(CaptureTest, AnUnpluggedCameraStopsDeliveriesAndResumesWhenPluggedBack) {
    Plug("minimal", "M");
    Channel capture(kDriver, VIDEO_IN);
    ASSERT_TRUE(capture.IsOpen());
    // Outside a stream, a single frame comes through DVM_FRAME.
    std::vector<BYTE> data(kFrameBytes);
    VIDEOHDR grab{data.data(), kFrameBytes, 0, 0, 0, 0, {}};
    StreamClient client(capture, 3);
    ASSERT_EQ(client.Send(DVM_FRAME, grab), DV_ERR_OK);
    EXPECT_EQ(grab.dwBytesUsed, kFrameBytes);

    ASSERT_EQ(client.Init(), DV_ERR_OK);
    client.PrepareAndAddAll();
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);
    ASSERT_TRUE(client.WaitFor(MM_DRVM_DATA, 1));
    service_->Unplug("M");
    Sleep(300);
    size_t delivered = client.CountOf(MM_DRVM_DATA);
    Sleep(300);
    EXPECT_EQ(client.CountOf(MM_DRVM_DATA), delivered);
    EXPECT_EQ(client.CountOf(MM_DRVM_ERROR), 0u);
    // Stopping and starting while it is away changes nothing.
    EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_NONSPECIFIC);
    ASSERT_EQ(client.Send(DVM_STREAM_START), DV_ERR_OK);

    Plug("minimal", "M");
    ASSERT_TRUE(client.WaitFor(MM_DRVM_DATA, delivered + 1));
    EXPECT_EQ(client.Send(DVM_STREAM_STOP), DV_ERR_OK);
    EXPECT_EQ(client.Send(DVM_STREAM_FINI), DV_ERR_OK);
    EXPECT_EQ(client.Send(DVM_FRAME, grab), DV_ERR_OK);

    // Gone outside a stream: not detected, then found again.
    service_->Unplug("M");
    EXPECT_EQ(client.Send(DVM_FRAME, grab), DV_ERR_NOTDETECTED);
    EXPECT_EQ(grab.dwBytesUsed, 0u);
    Plug("minimal", "M");
    EXPECT_EQ(client.Send(DVM_FRAME, grab), DV_ERR_OK);
}

}  // namespace
