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
#include "capture/stream_client.h"
#include "common/sanitizers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using kmxcapturetest::Callback;
using kmxcapturetest::CaptureTest;
using kmxcapturetest::Channel;
using kmxcapturetest::kFrameBytes;
using kmxcapturetest::kPatience;
using kmxcapturetest::StreamClient;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr char16_t kDriver[] = u"kmxvfw32.dll";

// A stream's messages have the same results and effects whichever entry
// point they reach the library through: the 32-bit linking driver's, or the
// 16-bit one's, with every record in 16-bit memory.
class StreamPathTest : public CaptureTest, public testing::WithParamInterface<const char16_t*> {};
INSTANTIATE_TEST_SUITE_P(EntryPoints, StreamPathTest,
                         testing::Values(u"kmxvfw32.dll", u"kmxvfw16.dll"));

TEST_P(StreamPathTest, FramesFillTheQueuedBuffersInOrderAndStopStartKeepsTheTimeBase) {
    Plug("minimal", "M");
    Channel capture(GetParam(), VIDEO_IN);
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
    if (!KMX_TEST_TSAN) {
        EXPECT_EQ(callbacks[4].allocations, callbacks[2].allocations);
    }
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

TEST_P(StreamPathTest, ResetHandsBackQueuedBuffersUnfilledAndStopWithNothingInFlightReturns) {
    Plug("minimal", "M");
    Channel capture(GetParam(), VIDEO_IN);
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

TEST_P(StreamPathTest, SkippedFramesAreCountedOnlyWithTwentyFiveBuffers) {
    Plug("minimal", "M");
    // No frame ever arrives.
    ASSERT_TRUE(
        service_->ArmFault("M", kmx::kReadFrameCode, kmxcam::Fault{kmxcam::FaultKind::Stall}));
    Channel capture(GetParam(), VIDEO_IN);
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
