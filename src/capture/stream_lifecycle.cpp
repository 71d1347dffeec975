// A stream's life on its device: initialised with the client's frame period
// and callback, started and stopped any number of times, and ended with the
// camera's own format put back.
#include <new>

#include "capture/camera_mode.h"
#include "capture/device_list.h"
#include "capture/stream_engine.h"
#include "capture/stream_operations.h"
#include "capture/vfw16_stream.h"
#include "device/kernel_channel.h"

namespace kmx {
namespace {

// Streams with fewer prepared buffers than this keep no skipped-frame count.
constexpr size_t kSkipCountBuffers = 25;

void FreeReads(StreamState& stream) {
    for (FrameRequest*& read : stream.reads) {
        FrameRequestDelete(read);
        read = nullptr;
    }
}

// Everything the stream created, once nothing of it is outstanding; safe
// on a half-created stream.
void DestroyResources(StreamState& stream) {
    StopWaitService(&stream.read_service);
    StopWaitService(&stream.timer_service);
    if (stream.stopped_event) CloseHandle(stream.stopped_event);
    stream.stopped_event = nullptr;
    FreeReads(stream);
    for (HANDLE* timer : {&stream.skip_timer, &stream.retry_timer}) {
        if (*timer) CloseHandle(*timer);
        *timer = nullptr;
    }
    for (BufferLink* link : stream.prepared) delete link;
    stream.prepared.clear();
    DeleteCriticalSection(&stream.queue_lock);
    DeleteCriticalSection(&stream.timer_lock);
}

// Step 5 of the initialisation: DV_ERR_OK, or the failure with nothing of it
// left to the caller but DestroyResources.
DWORD CreateResources(StreamState& stream) {
    InitializeCriticalSection(&stream.queue_lock);
    InitializeCriticalSection(&stream.timer_lock);
    bool read_service = StartWaitService(&stream.read_service) != 0;
    bool timer_service = StartWaitService(&stream.timer_service) != 0;
    if (!read_service || !timer_service) return DV_ERR_NOTSUPPORTED;
    stream.stopped_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stream.stopped_event) return DV_ERR_NONSPECIFIC;
    for (DWORD index = 0; index < kStreamReads; ++index) {
        if (FrameRequestCreate(*stream.connection, &stream.reads[index],
                               stream.camera_format.image_size) != kCommandSuccess)
            return DV_ERR_NONSPECIFIC;
        stream.read_contexts[index] = {&stream, index, StreamEvent::kRead};
    }
    stream.skip_context = {&stream, 0, StreamEvent::kSkipTimer};
    stream.retry_context = {&stream, 0, StreamEvent::kRetryTimer};
    stream.skip_timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    stream.retry_timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    if (!stream.skip_timer || !stream.retry_timer) return DV_ERR_NONSPECIFIC;
    return DV_ERR_OK;
}

// The client's frame period reaches the camera: steps 3 and 4.
bool SetStreamFormat(CaptureDevice& record, StreamState& stream, DWORD microseconds) {
    CameraConnection& connection = *record.connection;
    if (!SetCameraMode(connection, &record.camera_mode, kCameraIdle)) return false;
    stream.saved_period = record.camera_format.timing;
    stream.camera_format.timing = microseconds / 1000;
    return CheckFormat(connection, stream.camera_format) == kCommandSuccess &&
           SetFormat(connection, stream.camera_format) == kCommandSuccess &&
           SetCameraMode(connection, &record.camera_mode, kCameraReady);
}

size_t PreparedCount(StreamState& stream) {
    EnterCriticalSection(&stream.queue_lock);
    size_t count = stream.prepared.size();
    LeaveCriticalSection(&stream.queue_lock);
    return count;
}

// EndStream on the record itself.
DWORD EndRecordStream(CaptureDevice& record, StreamCallbackRecord** callback, DWORD* callback16) {
    StreamState& stream = *record.stream;
    // A client may end a stream it never stopped.
    if (InterlockedCompareExchange(&stream.running, 0, 0)) QuiesceStream(stream);
    DWORD result = DV_ERR_OK;
    bool lost = InterlockedCompareExchange(&stream.device_lost, 0, 0) != 0;
    if (!lost) {
        CameraConnection& connection = *record.connection;
        record.camera_format.timing = stream.saved_period;
        // Starts, stops and restarts moved the camera without the device's
        // cached mode; a camera opened again after a loss began afresh.
        DWORD mode = 0;
        if (GetMode(connection, &mode) == kCommandSuccess) record.camera_mode = mode;
        if (!SetCameraMode(connection, &record.camera_mode, kCameraIdle) ||
            CheckFormat(connection, record.camera_format) != kCommandSuccess ||
            SetFormat(connection, record.camera_format) != kCommandSuccess)
            result = DV_ERR_NONSPECIFIC;
    }
    DestroyResources(stream);
    CloseLinkingDriver(stream);
    *callback = stream.callback;
    *callback16 = stream.callback16;
    *stream.callback = {};
    // A camera lost with the stream is opened again by the next grab or
    // dialog.
    if (lost) record.needs_reopen = true;
    // Also after a failure the stream is gone: nothing may use its state,
    // and the client may initialise a new one.
    record.stream.reset();
    return result;
}

}  // namespace

void StreamStateDeleter::operator()(StreamState* stream) const {
    delete stream;
}

DWORD FindStream(DWORD_PTR instance, StreamState** stream) {
    CaptureDevice* found = FindDevice(instance);
    if (!found || !found->connection) return DV_ERR_NONSPECIFIC;
    if (!found->stream) return DV_ERR_NOTSUPPORTED;
    *stream = found->stream.get();
    return DV_ERR_OK;
}

DWORD InitStream(DWORD_PTR instance, const VIDEO_STREAM_INIT_PARMS* parameters,
                 StreamCallbackRecord* callback, DWORD callback16, bool* external) {
    CaptureDevice* record = FindDevice(instance);
    if (!record || !record->connection || !parameters || !callback || !external)
        return DV_ERR_NONSPECIFIC;
    if (record->stream) return DV_ERR_ALLOCATED;
    *external = instance == record->external_channel;
    if (*external) return DV_ERR_OK;

    std::unique_ptr<StreamState, StreamStateDeleter> held(new (std::nothrow) StreamState{});
    if (!held) return DV_ERR_NOMEM;
    StreamState& stream = *held;
    stream.device = record;
    stream.connection = record->connection.get();
    stream.connection_id = record->connection_id;
    stream.callback = callback;
    stream.callback16 = callback16;
    *callback = {parameters->dwMicroSecPerFrame,
                 parameters->dwCallback,
                 parameters->dwCallbackInst,
                 parameters->dwFlags,
                 parameters->hVideo,
                 0};
    stream.pipeline = record->pipeline;
    stream.camera_format = record->camera_format;
    if (!SetStreamFormat(*record, stream, parameters->dwMicroSecPerFrame))
        return DV_ERR_NONSPECIFIC;
    DWORD created = CreateResources(stream);
    if (created == DV_ERR_OK && !OpenLinkingDriver(stream, record->driver_name))
        created = DV_ERR_NONSPECIFIC;
    if (created != DV_ERR_OK) {
        DestroyResources(stream);
        return created;
    }
    record->stream = std::move(held);
    return DV_ERR_OK;
}

DWORD EndStream(DWORD_PTR instance, StreamCallbackRecord** callback, DWORD* callback16,
                bool* external) {
    CaptureDevice* record = FindDevice(instance);
    if (!record || !record->connection || !callback || !callback16 || !external)
        return DV_ERR_NONSPECIFIC;
    *external = instance == record->external_channel;
    if (*external) return DV_ERR_OK;
    if (!record->stream) return DV_ERR_NONSPECIFIC;
    return EndRecordStream(*record, callback, callback16);
}

void EndDeviceStream(CaptureDevice& record) {
    if (!record.stream) return;
    StreamCallbackRecord* callback = nullptr;
    DWORD callback16 = 0;
    EndRecordStream(record, &callback, &callback16);
    FreeStreamCallback(callback, callback16);
}

DWORD StartStream(DWORD_PTR instance) {
    StreamState* found_stream = nullptr;
    DWORD found = FindStream(instance, &found_stream);
    if (found != DV_ERR_OK) return found;
    StreamState& stream = *found_stream;
    // Started already: its reads are in flight.
    if (InterlockedCompareExchange(&stream.running, 0, 0)) return DV_ERR_OK;
    InterlockedExchange(&stream.running, 1);
    bool counting_skips = PreparedCount(stream) >= kSkipCountBuffers;
    EnterCriticalSection(&stream.timer_lock);
    stream.skipped = 0;
    stream.counting_skips = counting_skips;
    LeaveCriticalSection(&stream.timer_lock);
    if (InterlockedCompareExchange(&stream.device_lost, 0, 0)) {
        // Stopped while its camera was away: the stream runs and the camera
        // is looked for once a second, as when it goes away while running.
        StartLostCamera(stream);
    } else if (!StartReads(stream)) {
        QuiesceStream(stream);
        return DV_ERR_NONSPECIFIC;
    }
    if (!counting_skips) return DV_ERR_OK;
    return ArmSkipTimer(stream) ? DV_ERR_OK : DV_ERR_NONSPECIFIC;
}

DWORD StopStream(DWORD_PTR instance) {
    StreamState* found_stream = nullptr;
    DWORD found = FindStream(instance, &found_stream);
    if (found != DV_ERR_OK) return found;
    StreamState& stream = *found_stream;
    if (InterlockedCompareExchange(&stream.running, 0, 0)) QuiesceStream(stream);
    return SetCameraMode(*stream.connection, nullptr, kCameraReady) ? DV_ERR_OK
                                                                    : DV_ERR_NONSPECIFIC;
}

DWORD GetStreamError(DWORD_PTR instance, DWORD* error, DWORD* skipped) {
    StreamState* found_stream = nullptr;
    DWORD found = FindStream(instance, &found_stream);
    if (found != DV_ERR_OK) return found;
    StreamState& stream = *found_stream;
    if (error) *error = stream.error;
    EnterCriticalSection(&stream.timer_lock);
    if (skipped) *skipped = stream.skipped;
    LeaveCriticalSection(&stream.timer_lock);
    return DV_ERR_OK;
}

}  // namespace kmx
