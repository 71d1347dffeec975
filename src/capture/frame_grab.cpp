// DVM_FRAME: one frame from the camera into the client's buffer, outside a
// stream, through the device's own frame buffer.
#include "capture/camera_mode.h"
#include "capture/capture_camera.h"
#include "capture/device_list.h"
#include "capture/stream_operations.h"
#include "device/kernel_channel.h"
#include "processing/frame_pipeline.h"

namespace kmx {
namespace {

constexpr DWORD kGrabTimeout = 1500;  // ms for the camera's frame
constexpr DWORD kReopenPause = 100;   // ms after a lost camera did not open

// Reads one frame and converts it into DATA: the bytes of the client frame
// there, or 0.
DWORD ReadOneFrame(CaptureDevice& record, VIDEOHDR& header, BYTE* data) {
    CameraConnection& connection = *record.connection;
    if (record.camera_mode != kCameraStreaming &&
        !SetCameraMode(connection, &record.camera_mode, kCameraStreaming))
        return 0;
    FrameRequest* read = record.frame_buffer.get();
    if (FrameRequestStart(read) != kCommandSuccess) return 0;
    HANDLE event = FrameRequestEvent(read)->hEvent;
    if (WaitForSingleObject(event, kGrabTimeout) != WAIT_OBJECT_0) {
        // The frame buffer is read into again by the next grab: this read
        // must be over first. It was issued on this thread.
        CancelIo(connection.device);
        WaitForSingleObject(event, INFINITE);
        return 0;
    }
    const BYTE* frame = nullptr;
    DWORD length = 0;
    if (FrameRequestData(read, &frame) != kCommandSuccess ||
        FrameRequestStatus(read, &length) != kCommandSuccess || length == 0)
        return 0;
    return PipelineProcess(record.pipeline, length, frame, header.dwBufferLength, data);
}

}  // namespace

DWORD GrabFrame(DWORD_PTR instance, VIDEOHDR* header, BYTE* data) {
    CaptureDevice* record = FindDevice(instance);
    if (!record || !record->connection) return DV_ERR_NONSPECIFIC;
    if (instance != record->capture_channel) return DV_ERR_NOTSUPPORTED;
    if (record->stream) return DV_ERR_OK;
    if (!header || !data) return DV_ERR_NONSPECIFIC;
    if (record->needs_reopen) {
        if (!ReopenCamera(*record)) {
            Sleep(kReopenPause);
            return DV_ERR_NONSPECIFIC;
        }
        record->needs_reopen = false;
    }
    if (DWORD produced = ReadOneFrame(*record, *header, data)) {
        header->dwBytesUsed = produced;
        return DV_ERR_OK;
    }
    header->dwBytesUsed = 0;
    // A read that found the camera gone has closed its device already, so
    // the camera then answers as not open rather than as gone.
    DWORD mode = 0;
    BYTE status = GetMode(*record->connection, &mode);
    if (status != kCommandDeviceGone && status != kCommandNotOpen) return DV_ERR_NONSPECIFIC;
    StopCamera(*record);
    record->needs_reopen = true;
    return DV_ERR_NOTDETECTED;
}

}  // namespace kmx
