// The running stream: three camera reads in flight, each completion
// delivering the newest frame into the oldest queued buffer on the read
// service's thread, the frame-skip timer on the timer service's, and the
// restart of a camera that was lost.
#include <windows.h>
#include <ntstatus.h>

#include "capture/camera_mode.h"
#include "capture/capture_camera.h"
#include "capture/stream_engine.h"
#include "device/kernel_channel.h"
#include "processing/frame_pipeline.h"

namespace kmx {
namespace {

constexpr LONGLONG kTimerUnitsPerMillisecond = 10000;  // 100-ns units
constexpr LONGLONG kRetryDelay = -10000000;            // one second, relative
constexpr LONGLONG kAtOnce = -1;

bool IsSet(volatile LONG& flag) {
    return InterlockedCompareExchange(&flag, 0, 0) != 0;
}

bool SetTimer(HANDLE timer, LONGLONG due) {
    LARGE_INTEGER time;
    time.QuadPart = due;
    return SetWaitableTimer(timer, &time, 0, nullptr, nullptr, FALSE);
}

DWORD FramePeriod(const StreamState& stream) {
    return stream.camera_format.timing;
}

// A stopped stream with nothing outstanding lets StopStream go on. Every
// change of the counts it reads is made on the read service's thread, so
// the last of them sees the stream quiet.
void SignalIfQuiet(StreamState& stream) {
    if (!IsSet(stream.running) && !IsSet(stream.reads_in_flight) && !IsSet(stream.retry_armed))
        SetEvent(stream.stopped_event);
}

// Has the read service see the retry timer expire after DUE. An expiry
// while the stream runs restarts a lost camera; once it is stopped, it ends
// what is outstanding.
bool ArmRetryTimer(StreamState& stream, LONGLONG due) {
    if (!SetTimer(stream.retry_timer, due)) return false;
    // A stop that began meanwhile must not wait out the delay.
    if (!IsSet(stream.running)) SetTimer(stream.retry_timer, kAtOnce);
    if (InterlockedExchange(&stream.retry_armed, 1) == 0 &&
        !AddWait(&stream.read_service, OnStreamEvent, &stream.retry_context, stream.retry_timer)) {
        InterlockedExchange(&stream.retry_armed, 0);
        return false;
    }
    return true;
}

void CancelRead(StreamState& stream, DWORD index) {
    FrameRequest* read = stream.reads[index];
    if (!HasOverlappedIoCompleted(FrameRequestEvent(read)))
        CancelIoEx(stream.connection->device, FrameRequestEvent(read));
}

// The camera is gone: its stream and connection are closed, which ends the
// reads still in flight.
void LoseCamera(StreamState& stream) {
    InterlockedExchange(&stream.device_lost, 1);
    StopCamera(*stream.device);
}

// Issues read INDEX and has the read service report its completion.
// kCommandSuccess when it is in flight, else the failed command's status.
BYTE IssueRead(StreamState& stream, DWORD index) {
    FrameRequest* read = stream.reads[index];
    BYTE status = FrameRequestStart(read);
    if (status != kCommandSuccess) return status;
    InterlockedIncrement(&stream.reads_in_flight);
    HANDLE event = FrameRequestEvent(read)->hEvent;
    if (!AddWait(&stream.read_service, OnStreamEvent, &stream.read_contexts[index], event)) {
        // A completion nobody would see: the read is taken back at once.
        CancelRead(stream, index);
        WaitForSingleObject(event, INFINITE);
        InterlockedDecrement(&stream.reads_in_flight);
        return kCommandAllocFailed;
    }
    // A read issued while a stop began is cancelled rather than waited for.
    if (!IsSet(stream.running)) CancelRead(stream, index);
    return kCommandSuccess;
}

// The lost camera opened again in the stream's format, and the reads
// started again; else another try in a second.
void RestartCamera(StreamState& stream) {
    if (!ReopenCamera(*stream.connection, stream.connection_id, stream.camera_format)) {
        ArmRetryTimer(stream, kRetryDelay);
        return;
    }
    InterlockedExchange(&stream.device_lost, 0);
    // Lost again at once: the reads still in flight restart it as they
    // complete, else the timer does.
    if (!StartReads(stream) && IsSet(stream.device_lost) && !IsSet(stream.reads_in_flight))
        ArmRetryTimer(stream, kRetryDelay);
}

// The frame of read INDEX into the oldest queued buffer. The header filled,
// or null.
VIDEOHDR* DeliverFrame(StreamState& stream, DWORD index) {
    FrameRequest* read = stream.reads[index];
    const BYTE* frame = nullptr;
    BYTE status = FrameRequestData(read, &frame);
    DWORD length = 0;
    FrameRequestStatus(read, &length);
    if (status == kCommandDeviceGone) {
        // Our own cancelled reads are no sign of a lost camera.
        if (FrameRequestEvent(read)->Internal != static_cast<ULONG_PTR>(STATUS_CANCELLED))
            LoseCamera(stream);
        return nullptr;
    }
    if (status != kCommandSuccess || length == 0) return nullptr;
    VIDEOHDR* header = TakeQueuedHeader(stream);
    if (!header) return nullptr;
    DWORD now = GetTickCount();
    if (stream.first_frame_tick == 0) {
        header->dwTimeCaptured = 0;
        stream.first_frame_tick = now;
    } else {
        header->dwTimeCaptured = now - stream.first_frame_tick;
    }
    auto* link = reinterpret_cast<BufferLink*>(header->dwReserved[0]);
    DWORD produced =
        PipelineProcess(stream.pipeline, length, frame, header->dwBufferLength, link->data);
    if (!produced) {
        RequeueAtHead(stream, header);
        return nullptr;
    }
    header->dwFlags |= VHDR_DONE | VHDR_KEYFRAME;
    header->dwBytesUsed = produced;
    return header;
}

// Delivered frames push the frame-skip timer out to one and a half periods,
// in a stream that counts skipped frames.
void PushSkipTimer(StreamState& stream) {
    DWORD period = FramePeriod(stream);
    EnterCriticalSection(&stream.timer_lock);
    // Setting an active timer sets it anew.
    if (stream.counting_skips)
        SetTimer(stream.skip_timer,
                 -static_cast<LONGLONG>(period + period / 2) * kTimerUnitsPerMillisecond);
    LeaveCriticalSection(&stream.timer_lock);
}

void ReadCompleted(StreamState& stream, DWORD index) {
    InterlockedDecrement(&stream.reads_in_flight);
    if (!IsSet(stream.running)) {
        SignalIfQuiet(stream);
        return;
    }
    if (IsSet(stream.device_lost)) {
        if (!IsSet(stream.reads_in_flight)) RestartCamera(stream);
        return;
    }
    // When the next request has completed too, it holds a newer frame: the
    // older one is dropped rather than delivered late.
    FrameRequest* next = stream.reads[(index + 1) % kStreamReads];
    bool newer_waiting =
        IsSet(next->in_flight) && HasOverlappedIoCompleted(FrameRequestEvent(next));
    if (index == stream.last_delivered || !newer_waiting) {
        stream.last_delivered = static_cast<BYTE>(index);
        if (VIDEOHDR* header = DeliverFrame(stream, index))
            NotifyClient(stream, KMXVFW_STREAM_DATA, HeaderCallbackAddress(header));
        PushSkipTimer(stream);
    }
    if (IsSet(stream.device_lost)) return;
    BYTE status = IssueRead(stream, index);
    if (status == kCommandDeviceGone) {
        LoseCamera(stream);
        if (!IsSet(stream.reads_in_flight)) ArmRetryTimer(stream, kRetryDelay);
    }
}

void RetryTimerExpired(StreamState& stream) {
    InterlockedExchange(&stream.retry_armed, 0);
    if (IsSet(stream.running)) {
        RestartCamera(stream);
        return;
    }
    // A stop: the reads still in flight are ended, and their completions,
    // which follow on this thread, find the stream stopped.
    for (DWORD index = 0; index < kStreamReads; ++index)
        if (IsSet(stream.reads[index]->in_flight)) CancelRead(stream, index);
    SignalIfQuiet(stream);
}

void SkipTimerExpired(StreamState& stream) {
    EnterCriticalSection(&stream.timer_lock);
    stream.skip_registered = false;
    bool running = IsSet(stream.running);
    DWORD skipped = running ? ++stream.skipped : 0;
    LeaveCriticalSection(&stream.timer_lock);
    if (!running) return;
    NotifyClient(stream, KMXVFW_STREAM_ERROR, skipped);
    ArmSkipTimer(stream);
}

}  // namespace

bool StartReads(StreamState& stream) {
    InterlockedExchange(&stream.reads_in_flight, 0);
    for (DWORD index = 0; index < kStreamReads; ++index) {
        BYTE status = IssueRead(stream, index);
        if (status == kCommandDeviceGone) LoseCamera(stream);
        if (status != kCommandSuccess) return false;
    }
    return SetCameraMode(*stream.connection, nullptr, kCameraStreaming);
}

void StartLostCamera(StreamState& stream) {
    ArmRetryTimer(stream, kAtOnce);
}

void QuiesceStream(StreamState& stream) {
    ResetEvent(stream.stopped_event);
    InterlockedExchange(&stream.running, 0);
    // The read service ends what is outstanding on its own thread, which is
    // the one that issues and reissues reads: the retry timer, armed to
    // expire at once, has it do so, so a stop never waits for a frame.
    if (ArmRetryTimer(stream, kAtOnce)) WaitForSingleObject(stream.stopped_event, INFINITE);
}

bool ArmSkipTimer(StreamState& stream) {
    EnterCriticalSection(&stream.timer_lock);
    bool armed = SetTimer(stream.skip_timer,
                          -static_cast<LONGLONG>(FramePeriod(stream)) * kTimerUnitsPerMillisecond);
    if (armed && !stream.skip_registered) {
        armed = AddWait(&stream.timer_service, OnStreamEvent, &stream.skip_context,
                        stream.skip_timer) != 0;
        stream.skip_registered = armed;
    }
    LeaveCriticalSection(&stream.timer_lock);
    return armed;
}

void OnStreamEvent(void* context, DWORD shutdown) {
    // A service that stops calls what is still registered: the stream is
    // being torn down and nothing is to be done.
    if (shutdown) return;
    auto* event = static_cast<StreamContext*>(context);
    switch (event->kind) {
        case StreamEvent::kRead:
            ReadCompleted(*event->stream, event->index);
            break;
        case StreamEvent::kSkipTimer:
            SkipTimerExpired(*event->stream);
            break;
        case StreamEvent::kRetryTimer:
            RetryTimerExpired(*event->stream);
            break;
    }
}

}  // namespace kmx
