// A stream on a capture channel as a Video for Windows application runs
// it: buffers prepared and queued, DVM_STREAM_INIT with a callback
// function, frames handed back by MM_DRVM_DATA, the skipped-frame count of
// MM_DRVM_ERROR and DVM_STREAM_GETERROR, and an orderly end that leaves the
// channel as it found it.
#pragma once

#include <windows.h>
#include <msviddrv.h>
#include <vfw.h>

#include "capture_channel.h"

#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace kmxcap {

struct DeliveredFrame {
    VIDEOHDR* header;
    // From the driver's time stamp to the callback, beyond the first
    // frame's: the first frame defines when the driver's clock began.
    std::chrono::milliseconds latency;
};

class StreamCapture {
  public:
    // Prepares BUFFERS buffers of BUFFER_BYTES each, initialises the stream
    // at MICROSECONDS a frame, queues the buffers and starts it.
    StreamCapture(const CaptureChannel& channel, size_t buffers, DWORD buffer_bytes,
                  DWORD microseconds);
    // Stops, hands back and unprepares every buffer, ends the stream.
    ~StreamCapture();
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // The next filled buffer, waiting until one comes, INTERRUPT is set or
    // TIMEOUT passes (nullopt then).
    std::optional<DeliveredFrame> Next(HANDLE interrupt, std::chrono::milliseconds timeout);
    // Hands a buffer that Next gave back to the driver.
    void Requeue(VIDEOHDR& header);
    // Frames the driver counted as skipped.
    DWORD Skipped() const;
    // Ends the stream early (the destructor ends it too).
    void End();

  private:
    static void CALLBACK Callback(HDRVR, UINT message, DWORD_PTR instance, DWORD_PTR parameter,
                                  DWORD_PTR);
    void Delivered(VIDEOHDR* header);

    const CaptureChannel& channel_;
    std::deque<VIDEOHDR> headers_;
    std::vector<std::vector<BYTE>> data_;
    HANDLE ready_;
    bool initialised_ = false, started_ = false;
    std::mutex lock_;
    std::deque<DeliveredFrame> delivered_;
    std::optional<std::chrono::steady_clock::time_point> first_;
};

}  // namespace kmxcap
